// One enrolment or verification at a time per working directory. The speech pipeline talks
// to kelvo through files of fixed names ("raw.txt", "mfc.txt", "ml.txt", "states.txt"), so two
// calls running side by side in one directory would read each other's work. Every call holds
// a process-wide lock (threads of one process) and an exclusive file lock on "kelvo.lock" in the
// working directory (other processes) from before the pipeline runs until the profile has
// been written or read.
#pragma once

#include <chrono>

#include "kelvo/core/call_reason.h"

namespace kelvo {

inline constexpr const char* kLockFile = "kelvo.lock";

// How long a call waits for another call to finish before it gives up.
inline constexpr std::chrono::milliseconds kWorkLockTimeout{30000};

enum class WorkLockState {
    kHeld,
    kBusy,      // another call held the directory until the timeout
    kUnusable,  // "kelvo.lock" cannot be opened or created, or is not a regular file
};

class WorkDirLock {
  public:
    // Waits up to the lock timeout for the locks. "kelvo.lock" is created when missing; a
    // symbolic link, FIFO, directory or anything else that is not a regular file in its place
    // is refused at once. Where a lock file can be deleted while it is held (POSIX), the
    // working directory itself is locked first, so that a call still excludes the others
    // when someone deletes "kelvo.lock" as a stale lock. Once held, the temporaries that an
    // interrupted call of this library left behind are removed (no holder can be writing
    // them any more).
    WorkDirLock();
    ~WorkDirLock();

    WorkDirLock(const WorkDirLock&) = delete;
    WorkDirLock& operator=(const WorkDirLock&) = delete;

    bool Held() const { return state_ == WorkLockState::kHeld; }
    WorkLockState State() const { return state_; }

  private:
    WorkLockState Acquire();

    bool gateHeld_ = false;
    int directoryFd_ = -1;
    int fd_ = -1;
    WorkLockState state_ = WorkLockState::kBusy;
};

// Why a call that did not get the lock stopped: kDirectoryBusy or kLockUnusable.
CallReason ReasonOf(WorkLockState state);

// Removes the temporaries this library makes in the working directory ("<file>." and a
// random suffix, for the list files and the profile) that an interrupted call left behind.
// Only for a holder of the WorkDirLock.
void RemoveStaleTemporaries();

// Replaces kWorkLockTimeout, for tests that must not wait that long.
void SetWorkLockTimeout(std::chrono::milliseconds timeout);

}  // namespace kelvo
