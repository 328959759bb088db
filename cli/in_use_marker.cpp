#include "in_use_marker.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace kelvo_cli {
namespace {

// Longer than any marker kelvo writes.
constexpr std::size_t kMarkerLimit = 512;

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

int CreateMarker(const std::string& path, std::string_view content) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return -1;
    }
    // Waits only for a sweep that opened the new, still untagged file: it leaves it alone.
    int locked = 0;
    while ((locked = flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (locked != 0 || !RewriteMarker(fd, content)) {
        const int error = errno;
        unlink(path.c_str());
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

bool RewriteMarker(int fd, std::string_view content) {
    return pwrite(fd, content.data(), content.size(), 0) == static_cast<ssize_t>(content.size());
}

StaleMarker::StaleMarker(const std::string& path, std::string_view tag) {
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    struct stat held {};
    struct stat named {};
    std::string content(kMarkerLimit, '\0');
    ssize_t got = -1;
    if (fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == geteuid() &&
        flock(fd, LOCK_EX | LOCK_NB) == 0 && lstat(path.c_str(), &named) == 0 &&
        SameFile(held, named)) {
        got = pread(fd, content.data(), content.size(), 0);
    }
    if (got < 0 ||
        !std::string_view(content.data(), static_cast<std::size_t>(got)).starts_with(tag)) {
        close(fd);
        return;
    }
    fd_ = fd;
    details_ = content.substr(tag.size(), static_cast<std::size_t>(got) - tag.size());
}

StaleMarker::~StaleMarker() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

}  // namespace kelvo_cli
