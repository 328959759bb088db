// SetFilePointer and GetFileSize: 64-bit positions and sizes as a low 32-bit result and an
// optional high part.
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

#include <windows.h>

#include "errno_map.h"
#include "file_object.h"

namespace {

DWORD LowPart(std::int64_t value) {
    return static_cast<DWORD>(static_cast<std::uint64_t>(value));
}

LONG HighPart(std::int64_t value) {
    return static_cast<LONG>(static_cast<std::uint64_t>(value) >> 32);
}

DWORD FailPointer(DWORD error) {
    SetLastError(error);
    return INVALID_SET_FILE_POINTER;
}

}  // namespace

// Moves the position by a signed distance: 32 bits, or 64 with the high part. A position
// that would be negative fails with ERROR_NEGATIVE_SEEK; without the high part, one that
// does not fit in 32 bits fails with ERROR_INVALID_PARAMETER. A failed move leaves the position
// where it was. When the low part of a successful move is INVALID_SET_FILE_POINTER the last
// error is NO_ERROR, so callers can tell success from failure.
extern "C" DWORD SetFilePointer(HANDLE file, LONG distanceToMove, PLONG distanceToMoveHigh,
                                DWORD moveMethod) {
    const std::optional<platform::FileLock> lock = platform::FileLock::Acquire(file);
    if (!lock) {
        return INVALID_SET_FILE_POINTER;
    }
    std::int64_t distance = distanceToMove;
    if (distanceToMoveHigh != nullptr) {
        const std::uint64_t bits =
            (static_cast<std::uint64_t>(static_cast<DWORD>(*distanceToMoveHigh)) << 32) |
            static_cast<DWORD>(distanceToMove);
        distance = static_cast<std::int64_t>(bits);
    }
    std::int64_t origin = 0;
    if (moveMethod == FILE_CURRENT) {
        const off_t current = lseek(lock->Descriptor(), 0, SEEK_CUR);
        if (current < 0) {
            return FailPointer(platform::ErrorFromErrno(errno, ERROR_INVALID_PARAMETER));
        }
        origin = current;
    } else if (moveMethod == FILE_END) {
        struct stat status {};
        if (fstat(lock->Descriptor(), &status) != 0) {
            return FailPointer(platform::ErrorFromErrno(errno, ERROR_INVALID_PARAMETER));
        }
        origin = status.st_size;
    } else if (moveMethod != FILE_BEGIN) {
        return FailPointer(ERROR_INVALID_PARAMETER);
    }
    std::int64_t position = 0;
    if (__builtin_add_overflow(origin, distance, &position)) {
        return FailPointer(ERROR_INVALID_PARAMETER);
    }
    if (position < 0) {
        return FailPointer(ERROR_NEGATIVE_SEEK);
    }
    if (distanceToMoveHigh == nullptr && position > std::int64_t{0xFFFFFFFF}) {
        return FailPointer(ERROR_INVALID_PARAMETER);
    }
    if (lseek(lock->Descriptor(), static_cast<off_t>(position), SEEK_SET) < 0) {
        return FailPointer(platform::ErrorFromErrno(errno, ERROR_INVALID_PARAMETER));
    }
    if (distanceToMoveHigh != nullptr) {
        *distanceToMoveHigh = HighPart(position);
    }
    if (LowPart(position) == INVALID_SET_FILE_POINTER) {
        SetLastError(NO_ERROR);
    }
    return LowPart(position);
}

// The size's low 32 bits; the high part through `fileSizeHigh` when given. A size whose low
// part is INVALID_FILE_SIZE is reported with NO_ERROR as the last error, as on the original.
extern "C" DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh) {
    const std::optional<platform::FileLock> lock = platform::FileLock::Acquire(file);
    if (!lock) {
        return INVALID_FILE_SIZE;
    }
    struct stat status {};
    if (fstat(lock->Descriptor(), &status) != 0) {
        SetLastError(platform::ErrorFromErrno(errno, ERROR_ACCESS_DENIED));
        return INVALID_FILE_SIZE;
    }
    const std::int64_t size = status.st_size;
    if (fileSizeHigh != nullptr) {
        *fileSizeHigh = static_cast<DWORD>(HighPart(size));
    }
    if (LowPart(size) == INVALID_FILE_SIZE) {
        SetLastError(NO_ERROR);
    }
    return LowPart(size);
}
