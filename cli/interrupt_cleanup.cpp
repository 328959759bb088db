#include "interrupt_cleanup.h"

#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace kelvo_cli {
namespace {

constexpr int kCleanedSignals[] = {SIGINT, SIGTERM, SIGHUP};

using Kind = InterruptRegistration::Kind;

struct Entry {
    Kind kind = Kind::kFile;
    std::filesystem::path path;
    pid_t pid = -1;
};

// Recursive, so that a registration may be made inside Uninterrupted. Never destroyed: the
// cleanup thread may still use it while the process exits.
struct Registry {
    std::recursive_mutex mutex;
    std::map<std::uint64_t, Entry> entries;  // in the order registered
    std::uint64_t lastId = 0;
    sigset_t signals{};  // those blocked and waited for
};

Registry& TheRegistry() {
    static Registry* const registry = new Registry;
    return *registry;
}

// Set in a forked child only, which has no cleanup thread, and whose copy of the mutex may
// have been taken by the parent's cleanup thread.
std::atomic<bool> leftInChild{false};

void RemoveEverything(Registry& registry) {
    // Children first: a worker still writing would put files back into a tree being removed.
    for (const auto& [id, entry] : registry.entries) {
        if (entry.kind == Kind::kChild) {
            kill(entry.pid, SIGKILL);
        }
    }
    for (const auto& [id, entry] : registry.entries) {
        if (entry.kind == Kind::kChild) {
            siginfo_t info{};
            // Not reaped: its owner reaps it, and its ID stays taken until then.
            while (waitid(P_PID, static_cast<id_t>(entry.pid), &info, WEXITED | WNOWAIT) != 0 &&
                   errno == EINTR) {
            }
        }
    }
    // The newest first: what was made inside a directory goes before the directory.
    for (auto at = registry.entries.rbegin(); at != registry.entries.rend(); ++at) {
        std::error_code ignored;
        if (at->second.kind == Kind::kFile) {
            unlink(at->second.path.c_str());
        } else if (at->second.kind == Kind::kTree) {
            std::filesystem::remove_all(at->second.path, ignored);
        }
    }
}

[[noreturn]] void WaitForInterrupts() {
    Registry& registry = TheRegistry();
    int signal = 0;
    while (sigwait(&registry.signals, &signal) != 0) {
    }
    // Held to the end: nothing is made or registered after the cleanup.
    registry.mutex.lock();
    RemoveEverything(registry);
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
    _exit(128 + signal);  // not reached: the default action of each of them ends the process
}

// A process that is ending while the cleanup runs waits for it, so that it dies of the
// signal rather than exiting as if it had not been interrupted.
void HoldAtExit() {
    if (!leftInChild.load()) {
        TheRegistry().mutex.lock();
    }
}

}  // namespace

void InstallInterruptCleanup() {
    Registry& registry = TheRegistry();
    sigemptyset(&registry.signals);
    for (const int signal : kCleanedSignals) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) {
            sigaddset(&registry.signals, signal);
        }
    }
    if (sigisemptyset(&registry.signals) != 0) {
        return;  // every one of them ignored: nothing can interrupt the command
    }
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &registry.signals, &previous);
    try {
        std::thread(WaitForInterrupts).detach();
    } catch (const std::system_error&) {
        // No cleanup then, but the signals still end the process.
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return;
    }
    std::atexit(HoldAtExit);
}

void LeaveInterruptCleanupInChild() {
    leftInChild.store(true);
    pthread_sigmask(SIG_UNBLOCK, &TheRegistry().signals, nullptr);
}

InterruptHold::InterruptHold() : held_(!leftInChild.load()) {
    if (held_) {
        TheRegistry().mutex.lock();
    }
}

InterruptHold::~InterruptHold() {
    if (held_) {
        TheRegistry().mutex.unlock();
    }
}

InterruptRegistration::InterruptRegistration(Kind kind, const std::filesystem::path& path,
                                             pid_t pid) {
    const InterruptHold hold;
    if (leftInChild.load()) {
        return;
    }
    Registry& registry = TheRegistry();
    std::error_code error;
    std::filesystem::path absolute = path.empty() ? path : std::filesystem::absolute(path, error);
    id_ = ++registry.lastId;
    registry.entries[id_] = {kind, error ? path : std::move(absolute), pid};
}

InterruptRegistration::InterruptRegistration(InterruptRegistration&& other) noexcept
    : id_(std::exchange(other.id_, 0)) {}

InterruptRegistration& InterruptRegistration::operator=(InterruptRegistration&& other) noexcept {
    if (this != &other) {
        End();
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

InterruptRegistration::~InterruptRegistration() {
    End();
}

void InterruptRegistration::End() noexcept {
    if (id_ == 0 || leftInChild.load()) {
        return;
    }
    const InterruptHold hold;
    TheRegistry().entries.erase(std::exchange(id_, 0));
}

RemoveOnInterrupt::RemoveOnInterrupt(const std::filesystem::path& path, What what)
    : InterruptRegistration(what == What::kFile ? Kind::kFile : Kind::kTree, path, -1) {}

KillOnInterrupt::KillOnInterrupt(pid_t pid)
    : InterruptRegistration(Kind::kChild, {}, pid), pid_(pid) {}

int KillOnInterrupt::Wait() {
    siginfo_t info{};
    while (waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOWAIT) != 0 &&
           errno == EINTR) {
    }
    End();
    int status = -1;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

}  // namespace kelvo_cli
