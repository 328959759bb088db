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

bool LockUntil(int fd, Clock::time_point deadline) {
    for (;;) {
        const portable::LockResult result = portable::TryLockExclusive(fd);
        if (result != portable::LockResult::kBusy) {
            return result == portable::LockResult::kLocked;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(kLockPollInterval);
    }
}

}  // namespace

WorkDirLock::WorkDirLock() {
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(lockTimeout.load(std::memory_order_relaxed));
    if (!EnterGate(deadline)) {
        return;
    }
    gateHeld_ = true;
    // Not following a link and not blocking on a FIFO; only a regular file will do.
    const int fd = OpenRegularFile(kLockFile, portable::kReadWrite | portable::kCreate);
    if (fd < 0) {
        return;
    }
    if (!LockUntil(fd, deadline)) {
        portable::CloseFile(fd);
        return;
    }
    fd_ = fd;
}

WorkDirLock::~WorkDirLock() {
    if (fd_ >= 0) {
        portable::CloseFile(fd_);  // releases the lock
    }
    if (gateHeld_) {
        LeaveGate();
    }
}

void SetWorkLockTimeout(std::chrono::milliseconds timeout) {
    lockTimeout.store(timeout.count(), std::memory_order_relaxed);
}

}  // namespace kelvo
