#include "runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <kelvo/kelvo.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace accuracy {
namespace {

constexpr const char* kSpeaker = "Demo";
constexpr const char* kProfile = "kelvo.cfg";

// What a worker reports to the parent through its pipe, one message per enrolment and one
// per trial. Parent and workers are the same program, so the raw bytes are the format.
struct Message {
    std::uint32_t enrolment = 0;
    std::int32_t trial = 0;  // kEnrolmentResult, or the trial's index in the plan
    double value = 0.0;      // TrainSpeaker's result, or EvalSpeaker's score
};
constexpr std::int32_t kEnrolmentResult = -1;

[[noreturn]] void ThrowErrno(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

std::string ReadFile(const char* name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteFile(const char* name, const std::string& content) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out.flush()) {
        throw std::runtime_error(std::string("cannot write ") + name);
    }
}

void CopyRecording(const std::filesystem::path& from, const char* to) {
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
}

void Send(int fd, const Message& message) {
    const char* bytes = reinterpret_cast<const char*>(&message);
    std::size_t left = sizeof message;
    while (left > 0) {
        const ssize_t written = write(fd, bytes, left);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            ThrowErrno("writing to the bench");
        }
        bytes += written;
        left -= static_cast<std::size_t>(written);
    }
}

// The body of worker `index` of `jobs`: enrolments index, index + jobs, ... in its own folder.
[[noreturn]] void RunWorker(std::size_t index, std::size_t jobs,
                            const std::vector<Recording>& recordings,
                            const std::vector<Enrolment>& enrolments,
                            const std::filesystem::path& folder, int fd) {
    try {
        std::filesystem::create_directories(folder);
        std::filesystem::current_path(folder);
        for (std::size_t e = index; e < enrolments.size(); e += jobs) {
            const Enrolment& enrolment = enrolments[e];
            const auto enrolmentIndex = static_cast<std::uint32_t>(e);
            // An enrolment as the demo makes it: a fresh profile, the recording enrolled twice.
            std::filesystem::remove(kProfile);
            CopyRecording(recordings[enrolment.recording].path, "1.raw");
            CopyRecording(recordings[enrolment.recording].path, "2.raw");
            int result = TrainSpeaker(kSpeaker, 1);
            if (result == KELVO_TRAIN_OK) {
                result = TrainSpeaker(kSpeaker, 2);
            }
            Send(fd, {enrolmentIndex, kEnrolmentResult, static_cast<double>(result)});
            if (result != KELVO_TRAIN_OK) {
                continue;
            }
            // Enrolment is deterministic, so its profile serves every trial; it is put back
            // before each one so that no trial can see what an earlier one left in it.
            const std::string profile = ReadFile(kProfile);
            for (std::size_t t = 0; t < enrolment.trials.size(); ++t) {
                WriteFile(kProfile, profile);
                CopyRecording(recordings[enrolment.trials[t].test].path, "3.raw");
                Send(fd, {enrolmentIndex, static_cast<std::int32_t>(t), EvalSpeaker(kSpeaker, 3)});
            }
        }
        close(fd);
        std::fflush(nullptr);
        _exit(0);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "worker %zu: %s\n", index, error.what());
        std::fflush(nullptr);
        _exit(1);
    }
}

struct Worker {
    pid_t pid = -1;
    int fd = -1;               // read end of the worker's pipe; -1 once at its end
    std::vector<char> buffer;  // bytes of a message not yet complete
};

// Starts the workers and reaps them; a worker still running when the bench gives up is
// stopped, so that none outlives it.
class WorkerPool {
  public:
    WorkerPool(const std::vector<Recording>& recordings, const std::vector<Enrolment>& enrolments,
               std::size_t jobs, const std::filesystem::path& workRoot) {
        std::fflush(nullptr);  // or a child would print the parent's buffered output again
        for (std::size_t index = 0; index < jobs; ++index) {
            int fds[2];
            if (pipe2(fds, O_CLOEXEC) != 0) {
                ThrowErrno("pipe");
            }
            const pid_t pid = fork();
            if (pid < 0) {
                close(fds[0]);
                close(fds[1]);
                ThrowErrno("fork");
            }
            if (pid == 0) {
                close(fds[0]);
                RunWorker(index, jobs, recordings, enrolments,
                          workRoot / ("worker-" + std::to_string(index)), fds[1]);
            }
            close(fds[1]);
            workers_.push_back({pid, fds[0], {}});
        }
    }

    ~WorkerPool() {
        for (Worker& worker : workers_) {
            if (worker.fd >= 0) {
                close(worker.fd);
            }
            if (worker.pid > 0) {
                kill(worker.pid, SIGTERM);
                waitpid(worker.pid, nullptr, 0);
            }
        }
    }

    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    std::vector<Worker>& Workers() { return workers_; }

    // Waits for every worker. Returns what went wrong, empty when all exited with status 0.
    std::string Reap() {
        std::string failures;
        for (std::size_t index = 0; index < workers_.size(); ++index) {
            Worker& worker = workers_[index];
            int status = 0;
            if (waitpid(worker.pid, &status, 0) < 0) {
                ThrowErrno("waitpid");
            }
            worker.pid = -1;
            if (WIFSIGNALED(status)) {
                failures += " worker " + std::to_string(index) + " died of signal " +
                            std::to_string(WTERMSIG(status)) + ";";
            } else if (WEXITSTATUS(status) != 0) {
                failures += " worker " + std::to_string(index) + " exited with status " +
                            std::to_string(WEXITSTATUS(status)) + ";";
            }
        }
        return failures;
    }

  private:
    std::vector<Worker> workers_;
};

// Collects the messages into outcomes and prints progress, in pipeline runs, every tenth.
class Collector {
  public:
    Collector(const std::vector<Enrolment>& enrolments, std::vector<EnrolmentOutcome>& outcomes)
        : enrolments_(enrolments),
          outcomes_(outcomes),
          reported_(enrolments.size(), false),
          received_(enrolments.size(), 0) {
        for (const Enrolment& enrolment : enrolments) {
            totalRuns_ += 2 + enrolment.trials.size();
        }
    }

    void Take(const Message& message) {
        if (message.enrolment >= enrolments_.size()) {
            throw std::runtime_error("a worker reported an unknown enrolment");
        }
        const std::size_t e = message.enrolment;
        EnrolmentOutcome& outcome = outcomes_[e];
        if (message.trial == kEnrolmentResult) {
            reported_[e] = true;
            outcome.trainResult = static_cast<int>(message.value);
            doneRuns_ += 2;
            if (outcome.Enrolled()) {
                outcome.scores.assign(enrolments_[e].trials.size(), 0.0);
            } else {
                doneRuns_ += enrolments_[e].trials.size();
            }
        } else {
            const auto t = static_cast<std::size_t>(message.trial);
            if (message.trial < 0 || t >= outcome.scores.size()) {
                throw std::runtime_error("a worker reported an unknown trial");
            }
            outcome.scores[t] = message.value;
            ++received_[e];
            ++doneRuns_;
        }
        ReportProgress();
    }

    // The first enrolment whose result or one of whose trials' scores did not come; the
    // number of enrolments when all came.
    std::size_t FirstIncomplete() const {
        for (std::size_t e = 0; e < enrolments_.size(); ++e) {
            const bool complete = reported_[e] && (!outcomes_[e].Enrolled() ||
                                                   received_[e] == enrolments_[e].trials.size());
            if (!complete) {
                return e;
            }
        }
        return enrolments_.size();
    }

  private:
    void ReportProgress() {
        const std::size_t tenth = doneRuns_ * 10 / totalRuns_;
        if (tenth <= lastTenth_) {
            return;
        }
        lastTenth_ = tenth;
        const double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
        const double left =
            elapsed * static_cast<double>(totalRuns_ - doneRuns_) / static_cast<double>(doneRuns_);
        std::fprintf(stderr, "  %3zu %% of %zu pipeline runs, %.0f s, about %.0f s to go\n",
                     tenth * 10, totalRuns_, elapsed, left);
    }

    using Clock = std::chrono::steady_clock;
    const std::vector<Enrolment>& enrolments_;
    std::vector<EnrolmentOutcome>& outcomes_;
    std::vector<bool> reported_;         // whether the enrolment's result came
    std::vector<std::size_t> received_;  // trial scores per enrolment
    std::size_t totalRuns_ = 0;
    std::size_t doneRuns_ = 0;
    std::size_t lastTenth_ = 0;
    Clock::time_point start_ = Clock::now();
};

// Reads what is there from one worker's pipe into the collector; false at its end.
bool Drain(Worker& worker, Collector& collector) {
    char chunk[4096];
    const ssize_t count = read(worker.fd, chunk, sizeof chunk);
    if (count < 0) {
        if (errno == EINTR || errno == EAGAIN) {
            return true;
        }
        ThrowErrno("reading from a worker");
    }
    if (count == 0) {
        return false;
    }
    worker.buffer.insert(worker.buffer.end(), chunk, chunk + count);
    std::size_t used = 0;
    while (worker.buffer.size() - used >= sizeof(Message)) {
        Message message;
        std::memcpy(&message, worker.buffer.data() + used, sizeof message);
        collector.Take(message);
        used += sizeof message;
    }
    worker.buffer.erase(worker.buffer.begin(),
                        worker.buffer.begin() + static_cast<std::ptrdiff_t>(used));
    return true;
}

}  // namespace

std::vector<EnrolmentOutcome> RunTrials(const std::vector<Recording>& recordings,
                                        const std::vector<Enrolment>& enrolments, int jobs,
                                        const std::filesystem::path& workRoot) {
    std::vector<EnrolmentOutcome> outcomes(enrolments.size());
    if (enrolments.empty()) {
        return outcomes;
    }
    const std::size_t workerCount =
        std::min(enrolments.size(), static_cast<std::size_t>(jobs < 1 ? 1 : jobs));
    Collector collector(enrolments, outcomes);
    WorkerPool pool(recordings, enrolments, workerCount, workRoot);

    std::size_t open = workerCount;
    while (open > 0) {
        std::vector<pollfd> polled;
        std::vector<Worker*> polledWorkers;
        for (Worker& worker : pool.Workers()) {
            if (worker.fd >= 0) {
                polled.push_back({worker.fd, POLLIN, 0});
                polledWorkers.push_back(&worker);
            }
        }
        if (poll(polled.data(), polled.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowErrno("poll");
        }
        for (std::size_t i = 0; i < polled.size(); ++i) {
            if (polled[i].revents != 0 && !Drain(*polledWorkers[i], collector)) {
                close(polledWorkers[i]->fd);
                polledWorkers[i]->fd = -1;
                --open;
            }
        }
    }
    const std::string failures = pool.Reap();
    const std::size_t incomplete = collector.FirstIncomplete();
    if (!failures.empty() || incomplete < enrolments.size()) {
        std::string message = "the run did not finish:" + failures;
        if (incomplete < enrolments.size()) {
            message += " the first unfinished enrolment is " +
                       recordings[enrolments[incomplete].recording].path.string();
        }
        throw std::runtime_error(message);
    }
    return outcomes;
}

}  // namespace accuracy
