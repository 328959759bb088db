// The file calls on Windows: the C runtime's descriptors, opened in binary mode and not
// inherited, LockFileEx for the lock, MoveFileExW for the replacing rename and the system's
// random source. Names are the working directory's own ASCII names, passed as they are.
#include <windows.h>
// after windows.h
#include <bcrypt.h>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <string>

#include "portable/files.h"
#include "random_bytes.h"

namespace portable {
namespace {

// The C runtime moves at most INT_MAX bytes per call.
unsigned ChunkSize(std::size_t size) {
    return static_cast<unsigned>(size < INT_MAX ? size : INT_MAX);
}

std::wstring Widen(const char* name) {
    const int length = MultiByteToWideChar(CP_ACP, 0, name, -1, nullptr, 0);
    if (length <= 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, name, -1, wide.data(), length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

}  // namespace

int OpenFile(const char* name, unsigned flags, unsigned mode, OpenResult* result) {
    int access = _O_RDONLY;
    if ((flags & kReadWrite) != 0) {
        access = _O_RDWR;
    } else if ((flags & kWriteOnly) != 0) {
        access = _O_WRONLY;
    }
    const int crtFlags = access | ((flags & kCreate) != 0 ? _O_CREAT : 0) |
                         ((flags & kExclusive) != 0 ? _O_EXCL : 0) |
                         ((flags & kAppend) != 0 ? _O_APPEND : 0) | _O_BINARY | _O_NOINHERIT;
    // Only the owner-write bit means anything here: without it the file is read-only.
    const int permission = _S_IREAD | ((mode & 0200u) != 0 ? _S_IWRITE : 0);
    int fd = -1;
    const errno_t error = _sopen_s(&fd, name, crtFlags, _SH_DENYNO, permission);
    if (result != nullptr) {
        *result = error == 0        ? OpenResult::kOpened
                  : error == ENOENT ? OpenResult::kMissing
                  : error == EEXIST ? OpenResult::kExists
                                    : OpenResult::kRefused;
    }
    return error == 0 ? fd : -1;
}

bool IsRegularFile(int fd, std::int64_t* size) {
    struct _stat64 status {};
    if (_fstat64(fd, &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG ||
        status.st_size < 0) {
        return false;
    }
    if (size != nullptr) {
        *size = status.st_size;
    }
    return true;
}

std::optional<FileStamp> StampOfRegularFile(const char* name) {
    const HANDLE file =
        CreateFileW(Widen(name).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(file, &info) != FALSE &&
                       GetFileType(file) == FILE_TYPE_DISK &&
                       (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    CloseHandle(file);
    if (!known) {
        return std::nullopt;
    }
    const auto join = [](DWORD high, DWORD low) {
        return (static_cast<std::uint64_t>(high) << 32) | low;
    };
    return FileStamp{info.dwVolumeSerialNumber, join(info.nFileIndexHigh, info.nFileIndexLow),
                     static_cast<std::int64_t>(join(info.nFileSizeHigh, info.nFileSizeLow)),
                     static_cast<std::int64_t>(join(info.ftLastWriteTime.dwHighDateTime,
                                                    info.ftLastWriteTime.dwLowDateTime))};
}

std::int64_t ReadSome(int fd, void* buffer, std::size_t size) {
    return _read(fd, buffer, ChunkSize(size));
}

std::int64_t WriteSome(int fd, const void* buffer, std::size_t size) {
    return _write(fd, buffer, ChunkSize(size));
}

bool ReadAt(int fd, void* buffer, std::size_t size, std::int64_t offset) {
    const HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (file == INVALID_HANDLE_VALUE || size > MAXDWORD) {
        return false;
    }
    // On a handle opened for synchronous use, a read at an explicit offset also moves the file
    // position to the end of what it read; the position is saved and put back, so the call
    // leaves it where it was, as pread does on POSIX.
    const __int64 position = _telli64(fd);
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset) & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    DWORD count = 0;
    const BOOL read = ReadFile(file, buffer, static_cast<DWORD>(size), &count, &at);
    const bool restored = position >= 0 && _lseeki64(fd, position, SEEK_SET) == position;
    return read != FALSE && restored && count == size;
}

bool CloseFile(int fd) {
    return _close(fd) == 0;
}

bool TruncateFile(int fd, std::int64_t size) {
    return _chsize_s(fd, size) == 0;
}

bool FlushFile(int fd) {
    return _commit(fd) == 0;
}

bool RemoveFile(const char* name) {
    return DeleteFileW(Widen(name).c_str()) != FALSE;
}

bool RenameReplacing(const char* from, const char* to) {
    return MoveFileExW(Widen(from).c_str(), Widen(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

LockResult TryLockExclusive(int fd) {
    const HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (file == INVALID_HANDLE_VALUE) {
        return LockResult::kFailed;
    }
    OVERLAPPED whole{};
    if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD,
                   &whole) != FALSE) {
        return LockResult::kLocked;
    }
    return GetLastError() == ERROR_LOCK_VIOLATION ? LockResult::kBusy : LockResult::kFailed;
}

bool FillRandom(unsigned char* buffer, std::size_t size) {
    return size <= ULONG_MAX && BCryptGenRandom(nullptr, buffer, static_cast<ULONG>(size),
                                                BCRYPT_USE_SYSTEM_PREFERRED_RNG) >= 0;
}

}  // namespace portable
