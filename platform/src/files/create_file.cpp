// CreateFileW: opens or creates a file and hands out its handle.
//
// Share modes are accepted and checked for valid bits, but Linux has no mandatory sharing:
// a file stays open to other handles, and may be deleted or renamed while open.
//
// Opening never waits: every open is non-blocking, so a FIFO opens at once instead of waiting
// for its other end. A regular file's handle then becomes blocking again (its transfers always
// complete); the handle of anything else stays non-blocking, so that a read or write that
// would wait for a peer or a device fails instead.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <new>
#include <string>

#include <windows.h>

#include "errno_map.h"
#include "file_object.h"
#include "handles.h"
#include "utf16_path.h"

namespace {

using platform::ErrorFromErrno;

constexpr DWORD kKnownAccess = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kKnownShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr int kOpenFlags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
// Attempts at "create, or else open the existing file" when the file keeps appearing and
// disappearing between the two steps (another process creating and deleting it).
constexpr int kCreateOrOpenAttempts = 16;

struct Request {
    std::string path;
    bool read = false;
    bool write = false;
    bool truncate = false;  // empty an existing file
    bool readOnlyAttribute = false;
};

HANDLE Fail(DWORD error) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

// The open() access mode. Emptying a file writes it, so it needs write access to the
// descriptor even when the handle itself only reads.
int AccessFlags(const Request& request) {
    const bool writes = request.write || request.truncate;
    if (request.read && writes) {
        return O_RDWR;
    }
    return writes ? O_WRONLY : O_RDONLY;
}

// Creates the file, which must not exist. Returns the descriptor, or -1 with errno set.
int CreateNew(const Request& request) {
    const mode_t mode = request.readOnlyAttribute ? 0444 : 0666;
    return open(request.path.c_str(), AccessFlags(request) | O_CREAT | O_EXCL | kOpenFlags, mode);
}

// Opens the existing file, refusing directories and writing to read-only files (those by
// the mode bits, also for root), then empties it when asked to. Returns the descriptor, or -1
// with the last error set.
int OpenExisting(const Request& request) {
    const int descriptor = open(request.path.c_str(), AccessFlags(request) | kOpenFlags);
    if (descriptor < 0) {
        SetLastError(errno == ENOENT ? platform::MissingNameError(request.path)
                                     : ErrorFromErrno(errno, ERROR_ACCESS_DENIED));
        return -1;
    }
    struct stat status {};
    DWORD error = ERROR_SUCCESS;
    if (fstat(descriptor, &status) != 0) {
        error = ErrorFromErrno(errno, ERROR_ACCESS_DENIED);
    } else if (S_ISDIR(status.st_mode)) {
        error = ERROR_ACCESS_DENIED;
    } else if ((request.write || request.truncate) && platform::IsReadOnlyMode(status.st_mode)) {
        error = ERROR_ACCESS_DENIED;
    } else if (request.truncate && S_ISREG(status.st_mode) && ftruncate(descriptor, 0) != 0) {
        error = ErrorFromErrno(errno, ERROR_ACCESS_DENIED);
    }
    if (error != ERROR_SUCCESS) {
        close(descriptor);
        SetLastError(error);
        return -1;
    }
    return descriptor;
}

// Creates the file, or opens it when it exists; `existed` tells which. Returns the descriptor,
// or -1 with the last error set.
int CreateOrOpen(const Request& request, bool& existed) {
    for (int attempt = 0; attempt < kCreateOrOpenAttempts; ++attempt) {
        const int created = CreateNew(request);
        if (created >= 0) {
            existed = false;
            return created;
        }
        if (errno != EEXIST) {
            SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND
                                         : ErrorFromErrno(errno, ERROR_ACCESS_DENIED));
            return -1;
        }
        existed = true;
        const int opened = OpenExisting(request);
        if (opened >= 0 || GetLastError() != ERROR_FILE_NOT_FOUND) {
            return opened;
        }
        // Deleted in between (or a dangling symbolic link): try creating it again.
    }
    return -1;
}

// Makes transfers on a regular file's descriptor blocking again; other descriptors stay
// non-blocking. False, with the last error set, when the descriptor cannot be examined.
bool SettleBlockingMode(int descriptor) {
    struct stat status {};
    if (fstat(descriptor, &status) != 0) {
        SetLastError(ErrorFromErrno(errno, ERROR_ACCESS_DENIED));
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        return true;
    }
    const int flags = fcntl(descriptor, F_GETFL);
    if (flags < 0 || fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        SetLastError(ErrorFromErrno(errno, ERROR_ACCESS_DENIED));
        return false;
    }
    return true;
}

}  // namespace

extern "C" HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                              LPSECURITY_ATTRIBUTES /*securityAttributes*/,
                              DWORD creationDisposition, DWORD flagsAndAttributes,
                              HANDLE templateFile) {
    if (templateFile != nullptr || (desiredAccess & ~kKnownAccess) != 0 ||
        (shareMode & ~kKnownShare) != 0 || creationDisposition < CREATE_NEW ||
        creationDisposition > TRUNCATE_EXISTING) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    // Emptying the file is a write: the original refuses it without write access.
    if (creationDisposition == TRUNCATE_EXISTING && (desiredAccess & GENERIC_WRITE) == 0) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    std::optional<std::string> path = platform::PathFromName(fileName);
    if (!path) {
        return INVALID_HANDLE_VALUE;
    }
    Request request;
    request.path = std::move(*path);
    request.read = (desiredAccess & GENERIC_READ) != 0;
    request.write = (desiredAccess & GENERIC_WRITE) != 0;
    request.readOnlyAttribute = (flagsAndAttributes & FILE_ATTRIBUTE_READONLY) != 0;

    int descriptor = -1;
    bool existed = false;
    switch (creationDisposition) {
        case CREATE_NEW:
            descriptor = CreateNew(request);
            if (descriptor < 0) {
                // A directory of that name exists too: the name is taken.
                return Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND
                                            : ErrorFromErrno(errno, ERROR_ACCESS_DENIED));
            }
            break;
        case CREATE_ALWAYS:
            request.truncate = true;
            descriptor = CreateOrOpen(request, existed);
            // Replacing a file gives it the attributes asked for, read-only included.
            if (descriptor >= 0 && existed && request.readOnlyAttribute) {
                struct stat status {};
                if (fstat(descriptor, &status) == 0) {
                    fchmod(descriptor, status.st_mode & 07555);
                }
            }
            break;
        case OPEN_ALWAYS:
            descriptor = CreateOrOpen(request, existed);
            break;
        case TRUNCATE_EXISTING:
            request.truncate = true;
            existed = true;
            descriptor = OpenExisting(request);
            break;
        default:  // OPEN_EXISTING
            existed = true;
            descriptor = OpenExisting(request);
            break;
    }
    if (descriptor < 0) {
        return INVALID_HANDLE_VALUE;
    }
    if (!SettleBlockingMode(descriptor)) {
        close(descriptor);
        return INVALID_HANDLE_VALUE;
    }
    std::shared_ptr<platform::FileObject> file;
    try {
        file = std::make_shared<platform::FileObject>(descriptor, request.read, request.write);
    } catch (const std::bad_alloc&) {
        close(descriptor);
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    HANDLE handle = INVALID_HANDLE_VALUE;
    try {
        handle = platform::AddHandle(std::move(file));
    } catch (const std::bad_alloc&) {
        return Fail(ERROR_NOT_ENOUGH_MEMORY);  // the file object closed the descriptor
    }
    // As on the original, CREATE_ALWAYS and OPEN_ALWAYS tell that the file was there before.
    const bool reportExisting =
        existed && (creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS);
    SetLastError(reportExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}
