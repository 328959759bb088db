// CopyFileW: copies a file's content and permission bits to a new name.
//
// The target may be replaced unless `failIfExists` (ERROR_FILE_EXISTS) or it is read-only by
// its mode bits or a directory (ERROR_ACCESS_DENIED). Copying a file onto itself fails with
// ERROR_SHARING_VIOLATION and leaves it untouched, as on the original, where the source is
// open for reading while the target is opened for writing. A target the copy created is
// removed again when copying fails.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <string>

#include <windows.h>

#include "errno_map.h"
#include "utf16_path.h"

namespace {

// Closes a descriptor when it goes out of scope.
class Descriptor {
  public:
    explicit Descriptor(int value) : value_(value) {}
    ~Descriptor() {
        if (value_ >= 0) {
            close(value_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return value_; }

  private:
    int value_;
};

constexpr int kOpenFlags = O_CLOEXEC | O_NOCTTY;

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

// Copies from the source's position to its end. Returns ERROR_SUCCESS or the error.
DWORD CopyContent(int source, int target) {
    std::array<char, 64 * 1024> buffer{};
    for (;;) {
        const ssize_t got = read(source, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return platform::ErrorFromErrno(errno, ERROR_READ_FAULT);
        }
        if (got == 0) {
            return ERROR_SUCCESS;
        }
        ssize_t done = 0;
        while (done < got) {
            const ssize_t put =
                write(target, buffer.data() + done, static_cast<size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return platform::ErrorFromErrno(errno, ERROR_WRITE_FAULT);
            }
            if (put == 0) {
                return ERROR_DISK_FULL;
            }
            done += put;
        }
    }
}

}  // namespace

extern "C" BOOL CopyFileW(LPCWSTR existingFileName, LPCWSTR newFileName, BOOL failIfExists) {
    const std::optional<std::string> sourcePath = platform::PathFromName(existingFileName);
    if (!sourcePath) {
        return FALSE;
    }
    const std::optional<std::string> targetPath = platform::PathFromName(newFileName);
    if (!targetPath) {
        return FALSE;
    }
    const Descriptor source(open(sourcePath->c_str(), O_RDONLY | kOpenFlags));
    if (source.Get() < 0) {
        return Fail(errno == ENOENT ? platform::MissingNameError(*sourcePath)
                                    : platform::ErrorFromErrno(errno, ERROR_ACCESS_DENIED));
    }
    struct stat sourceStatus {};
    if (fstat(source.Get(), &sourceStatus) != 0) {
        return platform::FailWithErrno(errno, ERROR_ACCESS_DENIED);
    }
    if (S_ISDIR(sourceStatus.st_mode)) {
        return Fail(ERROR_ACCESS_DENIED);
    }
    const mode_t mode = sourceStatus.st_mode & 0777;

    bool created = true;
    int opened = open(targetPath->c_str(), O_WRONLY | O_CREAT | O_EXCL | kOpenFlags, mode);
    if (opened < 0 && errno == EEXIST && !failIfExists) {
        created = false;
        opened = open(targetPath->c_str(), O_WRONLY | kOpenFlags);
    }
    const Descriptor target(opened);
    if (target.Get() < 0) {
        if (errno == ENOENT) {
            return Fail(created ? ERROR_PATH_NOT_FOUND : platform::MissingNameError(*targetPath));
        }
        return platform::FailWithErrno(errno, ERROR_ACCESS_DENIED);
    }
    if (!created) {
        struct stat targetStatus {};
        if (fstat(target.Get(), &targetStatus) != 0) {
            return platform::FailWithErrno(errno, ERROR_ACCESS_DENIED);
        }
        if (targetStatus.st_dev == sourceStatus.st_dev &&
            targetStatus.st_ino == sourceStatus.st_ino) {
            return Fail(ERROR_SHARING_VIOLATION);
        }
        if (S_ISDIR(targetStatus.st_mode) || platform::IsReadOnlyMode(targetStatus.st_mode)) {
            return Fail(ERROR_ACCESS_DENIED);
        }
        if (S_ISREG(targetStatus.st_mode) && ftruncate(target.Get(), 0) != 0) {
            return platform::FailWithErrno(errno, ERROR_ACCESS_DENIED);
        }
    }
    const DWORD error = CopyContent(source.Get(), target.Get());
    if (error != ERROR_SUCCESS) {
        if (created) {
            unlink(targetPath->c_str());
        }
        return Fail(error);
    }
    // The copy gets the source's permission bits, read-only included. Not being the owner of
    // a replaced target only leaves its own bits.
    fchmod(target.Get(), mode);
    return TRUE;
}
