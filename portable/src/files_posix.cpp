// The file calls on Linux: open(2) with O_NOFOLLOW, O_NONBLOCK and O_CLOEXEC, flock(2),
// rename(2) and getrandom(2).
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "portable/files.h"
#include "random_bytes.h"

namespace portable {

int OpenFile(const char* name, unsigned flags, unsigned mode, OpenResult* result) {
    int access = O_RDONLY;
    if ((flags & kReadWrite) != 0) {
        access = O_RDWR;
    } else if ((flags & kWriteOnly) != 0) {
        access = O_WRONLY;
    }
    const int posixFlags = access | ((flags & kCreate) != 0 ? O_CREAT : 0) |
                           ((flags & kExclusive) != 0 ? O_EXCL : 0) |
                           ((flags & kAppend) != 0 ? O_APPEND : 0) |
                           ((flags & kFollowLinks) != 0 ? 0 : O_NOFOLLOW) | O_NONBLOCK | O_CLOEXEC;
    const int fd = open(name, posixFlags, static_cast<mode_t>(mode));
    if (result != nullptr) {
        *result = fd >= 0           ? OpenResult::kOpened
                  : errno == ENOENT ? OpenResult::kMissing
                  : errno == EEXIST ? OpenResult::kExists
                                    : OpenResult::kRefused;
    }
    return fd;
}

bool IsRegularFile(int fd, std::int64_t* size) {
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0) {
        return false;
    }
    if (size != nullptr) {
        *size = status.st_size;
    }
    return true;
}

std::optional<FileStamp> StampOfRegularFile(const char* name) {
    struct stat status {};
    if (stat(name, &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    constexpr std::int64_t kNanoseconds = 1'000'000'000;
    return FileStamp{static_cast<std::uint64_t>(status.st_dev),
                     static_cast<std::uint64_t>(status.st_ino), status.st_size,
                     status.st_mtim.tv_sec * kNanoseconds + status.st_mtim.tv_nsec};
}

std::int64_t ReadSome(int fd, void* buffer, std::size_t size) {
    ssize_t count = 0;
    do {
        count = read(fd, buffer, size);
    } while (count < 0 && errno == EINTR);
    return count;
}

std::int64_t WriteSome(int fd, const void* buffer, std::size_t size) {
    ssize_t count = 0;
    do {
        count = write(fd, buffer, size);
    } while (count < 0 && errno == EINTR);
    return count;
}

bool ReadAt(int fd, void* buffer, std::size_t size, std::int64_t offset) {
    return pread(fd, buffer, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
}

bool CloseFile(int fd) {
    return close(fd) == 0;
}

bool TruncateFile(int fd, std::int64_t size) {
    int result = 0;
    do {
        result = ftruncate(fd, static_cast<off_t>(size));
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

bool FlushFile(int fd) {
    return fsync(fd) == 0;
}

int OpenWorkingDirectory() {
    return open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

bool RemoveFile(const char* name) {
    return unlink(name) == 0;
}

bool RenameReplacing(const char* from, const char* to) {
    return std::rename(from, to) == 0;
}

LockResult TryLockExclusive(int fd) {
    int locked = 0;
    do {
        locked = flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked == 0) {
        return LockResult::kLocked;
    }
    return errno == EWOULDBLOCK ? LockResult::kBusy : LockResult::kFailed;
}

bool FillRandom(unsigned char* buffer, std::size_t size) {
    std::size_t filled = 0;
    while (filled < size) {
        const ssize_t count = getrandom(buffer + filled, size - filled, 0);
        if (count > 0) {
            filled += static_cast<std::size_t>(count);
        } else if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

}  // namespace portable
