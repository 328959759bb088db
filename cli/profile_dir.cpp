#include "profile_dir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "exit_codes.h"

namespace kelvo_cli {
namespace {

std::optional<std::string> Environment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return std::string(value);
}

std::string RecordingName(int n, const char* extension) {
    return std::to_string(n) + extension;
}

}  // namespace

std::filesystem::path ProfileDirectory(const std::optional<std::string>& option) {
    if (option) {
        return *option;
    }
    if (const auto dir = Environment("KELVO_DIR")) {
        return *dir;
    }
    if (const auto data = Environment("XDG_DATA_HOME")) {
        return std::filesystem::path(*data) / "kelvo";
    }
    const auto home = Environment("HOME");
    if (!home) {
        throw CliError(kExitUsage, "no profile directory: give --dir, or set KELVO_DIR or HOME");
    }
    return std::filesystem::path(*home) / ".local" / "share" / "kelvo";
}

void EnterProfileDirectory(const std::filesystem::path& dir, bool create) {
    std::error_code error;
    if (create) {
        // Voice templates are private: the directory kelvo makes is its owner's alone. A
        // directory that already exists keeps the permissions its owner gave it.
        const std::filesystem::path parent = dir.parent_path();
        if (!parent.empty()) {
            std::filesystem::create_directories(parent, error);
        }
        if (!error && mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
            error = std::error_code(errno, std::generic_category());
        }
        if (!error && !std::filesystem::is_directory(dir, error) && !error) {
            error = std::make_error_code(std::errc::not_a_directory);
        }
        if (error) {
            throw CliError(kExitSetUp, dir.string() + ": cannot create the profile directory (" +
                                           error.message() + ")");
        }
    } else if (!std::filesystem::exists(dir, error)) {
        throw CliError(kExitUnknownSpeaker, "no speakers enrolled in " + dir.string());
    }
    if (chdir(dir.c_str()) != 0) {
        throw CliError(
            create ? kExitSetUp : kExitUnknownSpeaker,
            dir.string() + ": cannot enter the profile directory (" + std::strerror(errno) + ")");
    }
}

RecordingSlot::RecordingSlot() {
    for (int n = 1; n < INT_MAX; ++n) {
        const int fd = open(RecordingName(n, ".raw").c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            number_ = n;
            fd_ = fd;
            return;
        }
        if (errno != EEXIST) {
            throw CliError(kExitSetUp, "cannot create a recording in the profile directory (" +
                                           std::string(std::strerror(errno)) + ")");
        }
    }
    throw CliError(kExitSetUp, "no free recording number in the profile directory");
}

RecordingSlot::~RecordingSlot() {
    if (fd_ >= 0) {
        close(fd_);
    }
    // The features first: while "<n>.raw" exists no other process claims n.
    unlink(RecordingName(number_, ".mfc").c_str());
    unlink(RecordingName(number_, ".raw").c_str());
}

int RecordingSlot::TakeFd() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

}  // namespace kelvo_cli
