// One enrolment or verification at a time per working directory. The speech pipeline talks
// to kelvo through files of fixed names ("raw.txt", "mfc.txt", "ml.txt", "states.txt"), so two
// calls running side by side in one directory would read each other's work. Every call holds
// a process-wide lock (threads of one process) and an exclusive file lock on "kelvo.lock" in the
// working directory (other processes) from before the pipeline runs until the profile has
// been written or read.
#pragma once

#include <chrono>

namespace kelvo {

inline constexpr const char* kLockFile = "kelvo.lock";

// How long a call waits for another call to finish before it gives up.
inline constexpr std::chrono::milliseconds kWorkLockTimeout{30000};

class WorkDirLock {
  public:
    // Waits up to the lock timeout for both locks. "kelvo.lock" is created when missing; a
    // symbolic link, FIFO, directory or anything else that is not a regular file in its place
    // is refused at once.
    WorkDirLock();
    ~WorkDirLock();

    WorkDirLock(const WorkDirLock&) = delete;
    WorkDirLock& operator=(const WorkDirLock&) = delete;

    bool Held() const { return fd_ >= 0; }

  private:
    bool gateHeld_ = false;
    int fd_ = -1;
};

// Replaces kWorkLockTimeout, for tests that must not wait that long.
void SetWorkLockTimeout(std::chrono::milliseconds timeout);

}  // namespace kelvo
