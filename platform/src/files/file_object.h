// An open file behind a handle: a POSIX descriptor and the access the handle was opened with.
#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include <windows.h>

#include "handles.h"

namespace platform {

class FileObject final : public HandleObject {
  public:
    FileObject(int descriptor, bool canRead, bool canWrite)
        : descriptor_(descriptor), canRead_(canRead), canWrite_(canWrite) {}
    ~FileObject() override;
    FileObject(const FileObject&) = delete;
    FileObject& operator=(const FileObject&) = delete;

    // Closes the descriptor. It waits for a call in progress on another thread, so the
    // descriptor number is never reused under that call.
    BOOL Close() override;

    bool CanRead() const { return canRead_; }
    bool CanWrite() const { return canWrite_; }

  private:
    friend class FileLock;
    std::mutex mutex_;  // held for each call on the file: they share its position
    int descriptor_;    // -1 once closed
    const bool canRead_;
    const bool canWrite_;
};

// Exclusive use of an open file for the duration of one call.
class FileLock {
  public:
    // Locks the file behind `handle`; empty, with ERROR_INVALID_HANDLE as the last error,
    // when the handle is not an open file.
    static std::optional<FileLock> Acquire(HANDLE handle);

    int Descriptor() const { return file_->descriptor_; }
    const FileObject& File() const { return *file_; }

  private:
    explicit FileLock(std::shared_ptr<FileObject> file)
        : file_(std::move(file)), lock_(file_->mutex_) {}

    std::shared_ptr<FileObject> file_;
    std::unique_lock<std::mutex> lock_;
};

}  // namespace platform
