// DeleteFileW: removes a file name. Directories and read-only files (by the mode bits) are
// refused with ERROR_ACCESS_DENIED. Unlike on the original, a file that is still open can be
// deleted: its open handles keep working on the now unnamed file.
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <windows.h>

#include "errno_map.h"
#include "utf16_path.h"

extern "C" BOOL DeleteFileW(LPCWSTR fileName) {
    const std::optional<std::string> path = platform::PathFromName(fileName);
    if (!path) {
        return FALSE;
    }
    struct stat status {};
    if (lstat(path->c_str(), &status) != 0) {
        if (errno == ENOENT) {
            SetLastError(platform::MissingNameError(*path));
            return FALSE;
        }
        return platform::FailWithErrno(errno, ERROR_ACCESS_DENIED);
    }
    // A symbolic link is deleted itself, whatever it points to; its own mode bits mean nothing.
    if (S_ISDIR(status.st_mode) ||
        (!S_ISLNK(status.st_mode) && platform::IsReadOnlyMode(status.st_mode))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (unlink(path->c_str()) != 0) {
        if (errno == ENOENT) {
            SetLastError(ERROR_FILE_NOT_FOUND);  // deleted by someone else meanwhile
            return FALSE;
        }
        return platform::FailWithErrno(errno, ERROR_ACCESS_DENIED);
    }
    return TRUE;
}
