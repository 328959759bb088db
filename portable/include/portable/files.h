// The low-level file calls of the library code that differ between Linux and Windows, behind
// one interface: descriptors from open(), whole reads and writes, renaming over a file, an
// exclusive lock and exclusive creation under an unpredictable name. The working directory's
// files are opened without blocking on a FIFO and without being inherited by child processes
// where the system offers it, without following a symbolic link unless asked to, and always in
// binary mode.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace portable {

// Access and creation flags of OpenFile.
enum OpenFlags : unsigned {
    kRead = 0,
    kReadWrite = 1u << 0,
    kWriteOnly = 1u << 1,
    kCreate = 1u << 2,
    kExclusive = 1u << 3,  // with kCreate: fails when anything is at the name
    kAppend = 1u << 4,
    kFollowLinks = 1u << 5,  // a symbolic link at the name opens what it points to
};

enum class OpenResult { kOpened, kMissing, kExists, kRefused };

// Opens the name with the flags and, when it is created, the permission bits `mode` (Linux).
// The descriptor, or -1 with `result` (when given) telling why.
int OpenFile(const char* name, unsigned flags, unsigned mode = 0644, OpenResult* result = nullptr);
// Whether the descriptor is an open regular file; with `size` its length.
bool IsRegularFile(int fd, std::int64_t* size = nullptr);
// read() and write() retried when interrupted: the bytes moved, 0 at the end, -1 on failure.
std::int64_t ReadSome(int fd, void* buffer, std::size_t size);
std::int64_t WriteSome(int fd, const void* buffer, std::size_t size);
// Reads exactly `size` bytes at `offset` without moving the descriptor's position.
bool ReadAt(int fd, void* buffer, std::size_t size, std::int64_t offset);
bool CloseFile(int fd);
// Cuts the file back (or extends it) to `size` bytes.
bool TruncateFile(int fd, std::int64_t size);
// Waits until what was written to the file is on the storage device.
bool FlushFile(int fd);
bool RemoveFile(const char* name);
// Renames `from` to `to`, replacing what is at `to` in one step.
bool RenameReplacing(const char* from, const char* to);

// What tells one state of a regular file from another: which file it is (device and inode, or
// volume and file index), its size and its last modification (in ns on Linux, 100 ns units
// on Windows).
struct FileStamp {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    std::int64_t size = 0;
    std::int64_t modified = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
// The stamp of the regular file at the name (a link is followed); nothing for anything else.
std::optional<FileStamp> StampOfRegularFile(const char* name);

// Whether a file can be deleted while another process has it open. Where it can (POSIX), a
// lock held on a file is no longer seen by those who open the name afresh after it was
// deleted; where it cannot (Windows opens without delete sharing), a held lock file stays.
#if defined(_WIN32)
inline constexpr bool kOpenFilesCanBeDeleted = false;
#else
inline constexpr bool kOpenFilesCanBeDeleted = true;
// A read-only descriptor of the working directory itself, to lock with TryLockExclusive: a
// directory that holds files cannot be removed, so its lock survives whatever is done to the
// files in it. -1 on failure.
int OpenWorkingDirectory();
#endif

enum class LockResult { kLocked, kBusy, kFailed };
// Tries to take an exclusive lock on the whole file without waiting; closing the descriptor
// releases it. Locks between processes (and between descriptors of one process).
LockResult TryLockExclusive(int fd);

// Creates a new file named `base` + a suffix of twelve random letters and digits (about 71
// bits, so no other process can tell the name in advance), never opening anything already at
// the name. Returns the descriptor (write only) and sets `name`, or -1.
int CreateUniqueFile(const std::string& base, std::string& name);

}  // namespace portable
