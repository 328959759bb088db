// ReadFile and WriteFile: synchronous transfers at the file's position.
//
// Only synchronous calls exist here: `overlapped` must be NULL (ERROR_INVALID_PARAMETER
// otherwise). The original wants the count pointer whenever overlapped is NULL; here it may be
// NULL and the count is then just not reported.
#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>

#include <windows.h>

#include "errno_map.h"
#include "file_object.h"

namespace {

// Linux transfers at most this much in one read() or write().
constexpr DWORD kMaxChunk = 0x7FFFF000;

BOOL Finish(LPDWORD count, DWORD done, BOOL result) {
    if (count != nullptr) {
        *count = done;
    }
    return result;
}

}  // namespace

// Reads until the buffer is full or the end of the file; at the end it succeeds with 0 bytes.
// On a FIFO or device it also stops at what is there now, and fails when that is nothing.
extern "C" BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
                         LPOVERLAPPED overlapped) {
    if (bytesRead != nullptr) {
        *bytesRead = 0;  // the original clears the count before anything can fail
    }
    const std::optional<platform::FileLock> lock = platform::FileLock::Acquire(file);
    if (!lock) {
        return FALSE;
    }
    if (overlapped != nullptr || (buffer == nullptr && bytesToRead != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!lock->File().CanRead()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    auto* bytes = static_cast<std::byte*>(buffer);
    DWORD done = 0;
    while (done < bytesToRead) {
        const DWORD chunk = std::min(bytesToRead - done, kMaxChunk);
        const ssize_t got = read(lock->Descriptor(), bytes + done, chunk);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            if ((errno == EAGAIN || errno == EWOULDBLOCK) && done > 0) {
                break;  // a FIFO or device (never blocking here) holds no more for now
            }
            return Finish(bytesRead, done, platform::FailWithErrno(errno, ERROR_READ_FAULT));
        }
        if (got == 0) {
            break;  // end of file
        }
        done += static_cast<DWORD>(got);
    }
    return Finish(bytesRead, done, TRUE);
}

// Writes everything, resuming after interruptions and short writes. When the file system
// refuses the rest (disk full, file size limit), it fails and reports what was written.
extern "C" BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
                          LPOVERLAPPED overlapped) {
    if (bytesWritten != nullptr) {
        *bytesWritten = 0;
    }
    const std::optional<platform::FileLock> lock = platform::FileLock::Acquire(file);
    if (!lock) {
        return FALSE;
    }
    if (overlapped != nullptr || (buffer == nullptr && bytesToWrite != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!lock->File().CanWrite()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const auto* bytes = static_cast<const std::byte*>(buffer);
    DWORD done = 0;
    while (done < bytesToWrite) {
        const DWORD chunk = std::min(bytesToWrite - done, kMaxChunk);
        const ssize_t put = write(lock->Descriptor(), bytes + done, chunk);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Finish(bytesWritten, done, platform::FailWithErrno(errno, ERROR_WRITE_FAULT));
        }
        if (put == 0) {  // no progress and no error: treat as a full device
            SetLastError(ERROR_DISK_FULL);
            return Finish(bytesWritten, done, FALSE);
        }
        done += static_cast<DWORD>(put);
    }
    return Finish(bytesWritten, done, TRUE);
}
