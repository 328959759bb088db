#include "temporary_directory.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <system_error>

#include "exit_codes.h"
#include "in_use_marker.h"

namespace kelvo_cli {
namespace {

constexpr std::string_view kPrefix = "kelvo-";
constexpr std::size_t kRandomLength = 6;  // the XXXXXX mkdtemp replaces
constexpr const char* kDirectoryTag = "kelvo temporary directory\n";

// A name mkdtemp makes of "kelvo-XXXXXX".
bool IsOurPattern(std::string_view name) {
    return name.size() == kPrefix.size() + kRandomLength && name.starts_with(kPrefix) &&
           std::all_of(name.begin() + static_cast<std::ptrdiff_t>(kPrefix.size()), name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

[[noreturn]] void Fail(int error) {
    throw CliError(kExitSetUp,
                   std::string("cannot make a temporary directory (") + std::strerror(error) + ")");
}

}  // namespace

void RemoveStaleTemporaryDirectories(const std::filesystem::path& parent) {
    std::error_code error;
    std::filesystem::directory_iterator entries(parent, error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::filesystem::path& dir = entries->path();
        struct stat status {};
        // A directory itself, not a link to one, and this user's.
        if (!IsOurPattern(dir.filename().string()) || lstat(dir.c_str(), &status) != 0 ||
            !S_ISDIR(status.st_mode) || status.st_uid != geteuid()) {
            continue;
        }
        const StaleMarker marker((dir / kTemporaryMarker).string(), kDirectoryTag);
        if (marker.Found()) {
            std::error_code ignored;
            std::filesystem::remove_all(dir, ignored);
        }
    }
}

TemporaryDirectory::TemporaryDirectory() {
    std::error_code error;
    const std::filesystem::path parent = std::filesystem::temp_directory_path(error);
    if (error) {
        Fail(error.value());
    }
    RemoveStaleTemporaryDirectories(parent);
    Uninterrupted([&] {
        std::string pattern = (parent / (std::string(kPrefix) + "XXXXXX")).string();
        if (mkdtemp(pattern.data()) == nullptr) {
            Fail(errno);
        }
        path_ = pattern;
        removal_ = RemoveOnInterrupt(path_, RemoveOnInterrupt::What::kTree);
        markerFd_ = CreateMarker((path_ / kTemporaryMarker).string(), kDirectoryTag);
        if (markerFd_ < 0) {
            const int failure = errno;
            rmdir(path_.c_str());
            Fail(failure);
        }
    });
}

TemporaryDirectory::~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    close(markerFd_);
}

}  // namespace kelvo_cli
