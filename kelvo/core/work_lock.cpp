#include "kelvo/core/work_lock.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "kelvo/core/text_file.h"

namespace kelvo {
namespace {

using Clock = std::chrono::steady_clock;

// How often a lock held by another process is tried again.
constexpr std::chrono::milliseconds kLockPollInterval{5};

std::atomic<std::chrono::milliseconds::rep> lockTimeout{kWorkLockTimeout.count()};

// The calls of this process: one at a time, the others wait for it to be released.
struct CallGate {
    std::mutex mutex;
    std::condition_variable released;
    bool busy = false;
};

CallGate& Gate() {
    static CallGate gate;
    return gate;
}

bool EnterGate(Clock::time_point deadline) {
    CallGate& gate = Gate();
    std::unique_lock lock(gate.mutex);
    if (!gate.released.wait_until(lock, deadline, [&gate] { return !gate.busy; })) {
        return false;
    }
    gate.busy = true;
    return true;
}

void LeaveGate() {
    CallGate& gate = Gate();
    {
        const std::lock_guard lock(gate.mutex);
        gate.busy = false;
    }
    gate.released.notify_one();
}

WorkLockState LockUntil(int fd, Clock::time_point deadline) {
    for (;;) {
        const portable::LockResult result = portable::TryLockExclusive(fd);
        if (result == portable::LockResult::kLocked) {
            return WorkLockState::kHeld;
        }
        if (result == portable::LockResult::kFailed) {
            return WorkLockState::kUnusable;
        }
        if (Clock::now() >= deadline) {
            return WorkLockState::kBusy;
        }
        std::this_thread::sleep_for(kLockPollInterval);
    }
}

// Opens the lock file, or -1; a lock file that will not do is known before any wait.
int OpenLockFile() {
    // Not following a link and not blocking on a FIFO; only a regular file will do.
    return OpenRegularFile(kLockFile, portable::kReadWrite | portable::kCreate);
}

}  // namespace

WorkDirLock::WorkDirLock() : state_(Acquire()) {
    if (state_ == WorkLockState::kHeld) {
        RemoveStaleTemporaries();
    }
}

WorkLockState WorkDirLock::Acquire() {
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(lockTimeout.load(std::memory_order_relaxed));
    if (!EnterGate(deadline)) {
        return WorkLockState::kBusy;
    }
    gateHeld_ = true;
    fd_ = OpenLockFile();
    if (fd_ < 0) {
        return WorkLockState::kUnusable;
    }
#if !defined(_WIN32)
    static_assert(portable::kOpenFilesCanBeDeleted);
    directoryFd_ = portable::OpenWorkingDirectory();
    if (directoryFd_ < 0) {
        return WorkLockState::kUnusable;
    }
    if (const WorkLockState state = LockUntil(directoryFd_, deadline);
        state != WorkLockState::kHeld) {
        return state;
    }
#endif
    // Still taken, for callers that lock only the file.
    return LockUntil(fd_, deadline);
}

WorkDirLock::~WorkDirLock() {
    // Closing releases a lock.
    if (fd_ >= 0) {
        portable::CloseFile(fd_);
    }
    if (directoryFd_ >= 0) {
        portable::CloseFile(directoryFd_);
    }
    if (gateHeld_) {
        LeaveGate();
    }
}

CallReason ReasonOf(WorkLockState state) {
    switch (state) {
        case WorkLockState::kHeld:
            return CallReason::kDone;
        case WorkLockState::kBusy:
            return CallReason::kDirectoryBusy;
        default:
            return CallReason::kLockUnusable;
    }
}

void SetWorkLockTimeout(std::chrono::milliseconds timeout) {
    lockTimeout.store(timeout.count(), std::memory_order_relaxed);
}

}  // namespace kelvo
