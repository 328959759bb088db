#include "profile_dir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "exit_codes.h"
#include "in_use_marker.h"

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

constexpr const char* kClaimExtension = ".claim";
// The first line of a slot's marker; the second, once "<n>.raw" is made, is its device and
// inode.
constexpr const char* kSlotTag = "kelvo recording slot\n";

[[noreturn]] void SlotError(const std::string& what) {
    throw CliError(kExitSetUp, what + " (" + std::strerror(errno) + ")");
}

// The number of a name "<n>.claim" as RecordingName spells it; 0 for any other name.
int ClaimNumber(const std::string& name) {
    const std::size_t dot = name.find('.');
    int n = 0;
    const auto [end, error] =
        std::from_chars(name.data(), name.data() + std::min(dot, name.size()), n);
    if (error != std::errc() || n < 1 || name != RecordingName(n, kClaimExtension)) {
        return 0;
    }
    return n;
}

// Removes slot n when its marker is stale: "<n>.mfc" and "<n>.raw" only when that is still
// the recording the marker names, then the marker.
void RemoveStaleSlot(int n) {
    const std::string claim = RecordingName(n, kClaimExtension);
    const StaleMarker marker(claim, kSlotTag);
    if (!marker.Found()) {
        return;
    }
    const std::string raw = RecordingName(n, ".raw");
    struct stat recording {};
    if (lstat(raw.c_str(), &recording) == 0 && S_ISREG(recording.st_mode) &&
        marker.Details() ==
            std::to_string(recording.st_dev) + " " + std::to_string(recording.st_ino) + "\n") {
        unlink(RecordingName(n, ".mfc").c_str());
        unlink(raw.c_str());
    }
    unlink(claim.c_str());
}

// The slots of the working directory that killed calls left behind.
void RemoveStaleSlots() {
    std::error_code error;
    std::filesystem::directory_iterator entries(".", error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        if (const int n = ClaimNumber(entries->path().filename().string())) {
            RemoveStaleSlot(n);
        }
    }
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
    RemoveStaleSlots();
    Uninterrupted([this] {
        for (int n = 1; n < INT_MAX; ++n) {
            if (TryClaim(n)) {
                return;
            }
        }
        throw CliError(kExitSetUp, "no free recording number in the profile directory");
    });
}

// Claims n unless something of that number is there. Runs with the interrupt cleanup held
// off, so that each file is registered as it is made.
bool RecordingSlot::TryClaim(int n) {
    const std::string claim = RecordingName(n, kClaimExtension);
    const int claimFd = CreateMarker(claim, kSlotTag);
    if (claimFd < 0) {
        if (errno == EEXIST) {
            return false;
        }
        SlotError("cannot create a recording in the profile directory");
    }
    RemoveOnInterrupt removeClaim(claim);
    const auto release = [&] {
        unlink(claim.c_str());
        close(claimFd);
    };
    const std::string raw = RecordingName(n, ".raw");
    const int fd = open(raw.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        const int error = errno;
        release();
        errno = error;
        if (error == EEXIST) {
            return false;  // someone's own recording
        }
        SlotError("cannot create a recording in the profile directory");
    }
    RemoveOnInterrupt removeRecording(raw);
    const auto unclaim = [&] {
        unlink(raw.c_str());
        close(fd);
        release();
    };
    // Features of that number would be overwritten by the library and then removed.
    const std::string mfc = RecordingName(n, ".mfc");
    struct stat features {};
    if (lstat(mfc.c_str(), &features) == 0) {
        unclaim();
        return false;
    }
    struct stat made {};
    if (errno != ENOENT || fstat(fd, &made) != 0 ||
        !RewriteMarker(claimFd, std::string(kSlotTag) + std::to_string(made.st_dev) + " " +
                                    std::to_string(made.st_ino) + "\n")) {
        const int error = errno;
        unclaim();
        errno = error;
        SlotError("cannot mark a recording in the profile directory");
    }
    number_ = n;
    fd_ = fd;
    claimFd_ = claimFd;
    removeClaim_ = std::move(removeClaim);
    removeRecording_ = std::move(removeRecording);
    removeFeatures_ = RemoveOnInterrupt(mfc);
    return true;
}

RecordingSlot::~RecordingSlot() {
    if (fd_ >= 0) {
        close(fd_);
    }
    // The features first and the marker last: while "<n>.raw" and its marker exist no other
    // process claims n, and a call killed on the way leaves a slot the next claim removes.
    unlink(RecordingName(number_, ".mfc").c_str());
    unlink(RecordingName(number_, ".raw").c_str());
    unlink(RecordingName(number_, kClaimExtension).c_str());
    close(claimFd_);
}

int RecordingSlot::TakeFd() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

}  // namespace kelvo_cli
