#include "file_object.h"

#include <errno.h>
#include <unistd.h>

#include "errno_map.h"

namespace platform {

FileObject::~FileObject() {
    if (descriptor_ >= 0) {
        close(descriptor_);
    }
}

BOOL FileObject::Close() {
    const std::lock_guard lock(mutex_);
    if (descriptor_ < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const int descriptor = descriptor_;
    descriptor_ = -1;
    // On Linux the descriptor is released even when close() fails, so it is never retried.
    // EINTR loses nothing; other failures report data that could not be written.
    if (close(descriptor) != 0 && errno != EINTR) {
        return FailWithErrno(errno, ERROR_WRITE_FAULT);
    }
    return TRUE;
}

std::optional<FileLock> FileLock::Acquire(HANDLE handle) {
    std::shared_ptr<FileObject> file = FindHandleAs<FileObject>(handle);
    if (file != nullptr) {
        FileLock lock(std::move(file));
        if (lock.Descriptor() >= 0) {
            return lock;
        }
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return std::nullopt;
}

}  // namespace platform
