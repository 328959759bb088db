// GetFileType: what kind of object an open file handle refers to.
#include <errno.h>
#include <sys/stat.h>

#include <windows.h>

#include "errno_map.h"
#include "file_object.h"

extern "C" DWORD GetFileType(HANDLE file) {
    const std::optional<platform::FileLock> lock = platform::FileLock::Acquire(file);
    if (!lock) {
        return FILE_TYPE_UNKNOWN;  // ERROR_INVALID_HANDLE is set
    }
    struct stat status {};
    if (fstat(lock->Descriptor(), &status) != 0) {
        platform::FailWithErrno(errno, ERROR_INVALID_HANDLE);
        return FILE_TYPE_UNKNOWN;
    }
    // Success is told apart from failure by the last error, as FILE_TYPE_UNKNOWN is also a
    // valid answer (a block device, say).
    SetLastError(NO_ERROR);
    if (S_ISREG(status.st_mode)) {
        return FILE_TYPE_DISK;
    }
    if (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)) {
        return FILE_TYPE_PIPE;
    }
    if (S_ISCHR(status.st_mode)) {
        return FILE_TYPE_CHAR;
    }
    return FILE_TYPE_UNKNOWN;
}
