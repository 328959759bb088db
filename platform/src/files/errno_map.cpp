#include "errno_map.h"

#include <errno.h>
#include <sys/stat.h>

namespace platform {

DWORD ErrorFromErrno(int error, DWORD fallback) {
    switch (error) {
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
        case ELOOP:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS:
        case ETXTBSY:
            return ERROR_ACCESS_DENIED;
        case EEXIST:
            return ERROR_FILE_EXISTS;
        case EBADF:
            return ERROR_INVALID_HANDLE;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case ENOSPC:
        case EDQUOT:
            return ERROR_DISK_FULL;
        case EFBIG:
            return ERROR_FILE_TOO_LARGE;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        default:
            return fallback;
    }
}

BOOL FailWithErrno(int error, DWORD fallback) {
    SetLastError(ErrorFromErrno(error, fallback));
    return FALSE;
}

DWORD MissingNameError(const std::string& path) {
    const std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ERROR_FILE_NOT_FOUND;  // in the working directory, which exists
    }
    const std::string directory = slash == 0 ? std::string("/") : path.substr(0, slash);
    struct stat status {};
    if (stat(directory.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        return ERROR_FILE_NOT_FOUND;
    }
    return ERROR_PATH_NOT_FOUND;
}

bool IsReadOnlyMode(unsigned int mode) {
    return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace platform
