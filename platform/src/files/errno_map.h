// Translation of the errno values of the POSIX calls into the error codes of GetLastError.
#pragma once

#include <string>

#include <windows.h>

namespace platform {

// The error code for `error`; `fallback` for errno values without a closer counterpart.
DWORD ErrorFromErrno(int error, DWORD fallback);

// Sets the last error for `error` (ErrorFromErrno) and returns FALSE, for one-line failures.
BOOL FailWithErrno(int error, DWORD fallback);

// The error for a name that does not exist (ENOENT): ERROR_FILE_NOT_FOUND when the directory
// it names exists, ERROR_PATH_NOT_FOUND when a directory on the way is missing.
DWORD MissingNameError(const std::string& path);

// True when none of the permission bits of `mode` grant write access. Such a file is
// read-only for everybody, root included, as a file with the read-only attribute is.
bool IsReadOnlyMode(unsigned int mode);

}  // namespace platform
