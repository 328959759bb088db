// What a command has made and not yet finished is removed when the command is interrupted
// (SIGINT, SIGTERM, SIGHUP), and then the process dies of that signal as it would have
// without the cleanup. The signals are blocked in every thread and one thread waits for
// them, so the cleanup runs outside a signal handler and may remove whole directory trees.
//
// A file is registered in the same step that creates it, with the cleanup held off:
//
//     RemoveOnInterrupt removal;
//     const int fd = Uninterrupted([&] {
//         const int made = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
//         if (made >= 0) {
//             removal = RemoveOnInterrupt(name);
//         }
//         return made;
//     });
//
// so that the cleanup either runs before the file exists or knows of it; once it has run
// nothing more is made. A registration ends with its object; it never removes anything
// itself.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>

namespace kelvo_cli {

// Blocks the signals (those not ignored when the program started, which stay ignored) in
// the calling thread, and so in every thread it makes later, and starts the thread that
// waits for them. Call once, at the start of main(), before any other thread exists.
void InstallInterruptCleanup();

// In a process just forked: the parent's cleanup is the parent's. Registrations do nothing
// from now on, and the signals are unblocked, so that the child dies of them at once.
void LeaveInterruptCleanupInChild();

// Holds the cleanup off while it lives (see Uninterrupted).
class InterruptHold {
  public:
    InterruptHold();
    ~InterruptHold();
    InterruptHold(const InterruptHold&) = delete;
    InterruptHold& operator=(const InterruptHold&) = delete;

  private:
    bool held_;
};

// Runs `make` with the cleanup held off, and returns what it returns.
template <typename Make>
decltype(auto) Uninterrupted(Make&& make) {
    const InterruptHold hold;
    return make();
}

// A registration: movable, ended by its destructor or by assigning an empty one.
class InterruptRegistration {
  public:
    enum class Kind { kFile, kTree, kChild };

    InterruptRegistration() = default;
    InterruptRegistration(InterruptRegistration&& other) noexcept;
    InterruptRegistration& operator=(InterruptRegistration&& other) noexcept;
    ~InterruptRegistration();

  protected:
    InterruptRegistration(Kind kind, const std::filesystem::path& path, pid_t pid);
    void End() noexcept;

  private:
    std::uint64_t id_ = 0;  // 0: nothing registered
};

// A file (unlinked) or a directory tree (removed with its content) to remove on an
// interrupt. A relative path is taken from the working directory when registered.
class RemoveOnInterrupt : public InterruptRegistration {
  public:
    enum class What { kFile, kTree };
    RemoveOnInterrupt() = default;
    explicit RemoveOnInterrupt(const std::filesystem::path& path, What what = What::kFile);
};

// A child process that is killed (SIGKILL), and waited for, before anything is removed on
// an interrupt: it may still be writing into what is removed. Register it in the step that
// starts it (fork inside Uninterrupted), and reap it only through Wait(), so that its
// process ID is never reused while registered.
class KillOnInterrupt : public InterruptRegistration {
  public:
    KillOnInterrupt() = default;
    explicit KillOnInterrupt(pid_t pid);

    // Waits for the child to end, ends the registration, reaps the child and returns its
    // wait status (-1 when it is no child of this process).
    int Wait();

  private:
    pid_t pid_ = -1;
};

}  // namespace kelvo_cli
