#include "eval_workers.h"

#include <fcntl.h>
#include <kelvo/kelvo.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

#include "call_outcome.h"
#include "exit_codes.h"
#include "interrupt_cleanup.h"
#include "kelvo/core/enrolment.h"
#include "kelvo/core/text_file.h"
#include "kelvo/core/verification.h"
#include "profile_dir.h"
#include "sound_conversion.h"

namespace kelvo_cli {
namespace {

// What a worker reports, one line each:
//   "E <enrolment> <TrainSpeaker result>"
//   "T <trial> <score>"
//   "X <exit code> <message>"  (a file could not be converted; the worker stops)
void Send(int fd, const std::string& line) {
    kelvo::WriteAll(fd, line + "\n");
}

std::string ScoreText(double score) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, score);
    return std::string(text, result.ptr);
}

// The trials of each enrolment, by index.
std::vector<std::vector<std::size_t>> TrialsByEnrolment(const TrialList& list) {
    std::vector<std::vector<std::size_t>> trials(list.enrolments.size());
    for (std::size_t i = 0; i < list.trials.size(); ++i) {
        trials[list.trials[i].enrolment].push_back(i);
    }
    return trials;
}

// Converts the file into a recording of the working directory and runs `call` on its number.
template <typename Call>
auto WithRecording(const std::filesystem::path& file, Call call) {
    RecordingSlot slot;
    ConvertToKelvoRecording(file, file.string(), slot.TakeFd());
    return call(slot.Number());
}

// A fault of the work directory, or a file the library cannot use, ends the run: it is never
// counted as a failed enrolment or a rejection.
void ThrowIfFault(kelvo::CallReason reason, bool spaceRunsShort,
                  const std::filesystem::path& file) {
    if (EndsTheCommand(reason)) {
        throw CliError(ExitCodeOf(reason, true),
                       file.string() + ": " + Explanation(reason, spaceRunsShort));
    }
}

// A worker's whole life: every jobs-th enrolment from `first`, then its trials.
[[noreturn]] void RunWorker(const TrialList& list,
                            const std::vector<std::vector<std::size_t>>& trialsOf,
                            std::size_t first, std::size_t jobs, const std::filesystem::path& dir,
                            int fd) {
    int status = 0;
    try {
        if (mkdir(dir.c_str(), 0700) != 0 || chdir(dir.c_str()) != 0) {
            throw CliError(kExitSetUp, dir.string() + ": cannot make a work directory");
        }
        for (std::size_t e = first; e < list.enrolments.size(); e += jobs) {
            const std::string speaker = "speaker" + std::to_string(e + 1);
            const kelvo::EnrolmentOutcome enrolment = WithRecording(
                list.enrolments[e], [&](int n) { return kelvo::Enrol(speaker.c_str(), n); });
            ThrowIfFault(enrolment.reason, enrolment.spaceRunsShort, list.enrolments[e]);
            const int result = enrolment.TrainResult();
            Send(fd, "E " + std::to_string(e) + " " + std::to_string(result));
            if (result != KELVO_TRAIN_OK) {
                continue;  // no voice: its trials are not run
            }
            for (const std::size_t t : trialsOf[e]) {
                const kelvo::VerificationOutcome verification = WithRecording(
                    list.trials[t].test, [&](int n) { return kelvo::Verify(speaker.c_str(), n); });
                ThrowIfFault(verification.reason, verification.spaceRunsShort, list.trials[t].test);
                Send(fd, "T " + std::to_string(t) + " " + ScoreText(verification.Score()));
            }
        }
    } catch (const CliError& error) {
        std::string message = error.what();
        std::replace(message.begin(), message.end(), '\n', ' ');
        Send(fd, "X " + std::to_string(static_cast<int>(error.Code())) + " " + message);
        status = 1;
    } catch (...) {
        status = 1;
    }
    close(fd);
    _exit(status);  // nothing of the parent's (its temporary directories) is cleaned up here
}

struct Worker {
    pid_t pid = -1;
    int fd = -1;
    std::string pending;  // a line not yet ended
    KillOnInterrupt stop;
};

// A worker goes with its parent however the parent ends: killed, it never computes on for
// no one. Returns false when the parent already ended before the request took hold.
bool EndWithParent(pid_t parent) {
    return prctl(PR_SET_PDEATHSIG, SIGKILL) == 0 && getppid() == parent;
}

// Takes one report line into the outcome; a worker's error is kept to be thrown.
class Collector {
  public:
    Collector(const TrialList& list, const std::vector<std::vector<std::size_t>>& trialsOf,
              const ProgressFunction& progress)
        : list_(list), trialsOf_(trialsOf), progress_(progress) {
        outcome_.trainResults.assign(list.enrolments.size(), -1);
        outcome_.scores.assign(list.trials.size(), std::nullopt);
    }

    void Take(std::string_view line) {
        if (line.size() < 2) {
            return;
        }
        const char kind = line[0];
        std::string_view rest = line.substr(2);
        if (kind == 'X') {
            const std::size_t space = rest.find(' ');
            int code = kExitSetUp;
            std::from_chars(rest.data(), rest.data() + std::min(space, rest.size()), code);
            error_ = CliError(static_cast<ExitCode>(code),
                              std::string(rest.substr(std::min(space + 1, rest.size()))));
            return;
        }
        std::size_t index = 0;
        const auto [end, parsed] = std::from_chars(rest.data(), rest.data() + rest.size(), index);
        const std::string_view value = rest.substr(static_cast<std::size_t>(end - rest.data()));
        if (parsed != std::errc() || value.size() < 2) {
            return;
        }
        if (kind == 'E' && index < outcome_.trainResults.size()) {
            int result = -1;
            std::from_chars(value.data() + 1, value.data() + value.size(), result);
            outcome_.trainResults[index] = result;
            done_ += 1 + (result == KELVO_TRAIN_OK ? 0 : trialsOf_[index].size());
        } else if (kind == 'T' && index < outcome_.scores.size()) {
            double score = 0.0;
            std::from_chars(value.data() + 1, value.data() + value.size(), score);
            outcome_.scores[index] = score;
            ++done_;
        }
        if (progress_) {
            progress_(done_, list_.enrolments.size() + list_.trials.size());
        }
    }

    std::size_t Done() const { return done_; }
    const std::optional<CliError>& Error() const { return error_; }
    EvalOutcome Outcome() { return std::move(outcome_); }

  private:
    const TrialList& list_;
    const std::vector<std::vector<std::size_t>>& trialsOf_;
    const ProgressFunction& progress_;
    EvalOutcome outcome_;
    std::size_t done_ = 0;
    std::optional<CliError> error_;
};

// Reads what the workers report until every pipe has ended.
void Gather(std::vector<Worker>& workers, Collector& collector) {
    std::vector<pollfd> polled;
    for (const Worker& worker : workers) {
        polled.push_back({worker.fd, POLLIN, 0});
    }
    std::size_t open = workers.size();
    bool stopping = false;
    char buffer[4096];
    while (open > 0) {
        if (poll(polled.data(), polled.size(), -1) < 0) {
            continue;  // EINTR
        }
        for (std::size_t w = 0; w < workers.size(); ++w) {
            if (polled[w].fd < 0 || polled[w].revents == 0) {
                continue;
            }
            const ssize_t got = read(polled[w].fd, buffer, sizeof buffer);
            if (got < 0) {
                continue;
            }
            if (got == 0) {
                close(polled[w].fd);
                polled[w].fd = -1;
                workers[w].fd = -1;
                --open;
                continue;
            }
            std::string& pending = workers[w].pending;
            pending.append(buffer, static_cast<std::size_t>(got));
            for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
                collector.Take(std::string_view(pending).substr(0, end));
                pending.erase(0, end + 1);
            }
        }
        if (collector.Error() && !stopping) {
            // One worker's failure ends the run: the others are stopped.
            stopping = true;
            for (const Worker& worker : workers) {
                kill(worker.pid, SIGTERM);
            }
        }
    }
}

}  // namespace

EvalOutcome RunTrials(const TrialList& list, int jobs, const std::filesystem::path& work,
                      const ProgressFunction& progress) {
    const std::vector<std::vector<std::size_t>> trialsOf = TrialsByEnrolment(list);
    const std::size_t count =
        std::min(static_cast<std::size_t>(std::max(jobs, 1)), list.enrolments.size());
    std::cout.flush();
    std::vector<Worker> workers;
    for (std::size_t w = 0; w < count; ++w) {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) {
            break;
        }
        const pid_t parent = getpid();
        KillOnInterrupt stop;
        // Started and registered in one step, so that an interrupt kills every worker
        // before the work directory is removed.
        const pid_t pid = Uninterrupted([&] {
            const pid_t child = fork();
            if (child == 0) {
                LeaveInterruptCleanupInChild();
                if (!EndWithParent(parent)) {
                    _exit(1);
                }
                close(ends[0]);
                RunWorker(list, trialsOf, w, count, work / std::to_string(w + 1), ends[1]);
            }
            if (child > 0) {
                stop = KillOnInterrupt(child);
            }
            return child;
        });
        close(ends[1]);
        if (pid < 0) {
            close(ends[0]);
            break;
        }
        workers.push_back({pid, ends[0], {}, std::move(stop)});
    }
    Collector collector(list, trialsOf, progress);
    Gather(workers, collector);
    bool allExited = !workers.empty();
    for (Worker& worker : workers) {
        const int status = worker.stop.Wait();
        allExited = allExited && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    if (collector.Error()) {
        throw *collector.Error();
    }
    if (!allExited || collector.Done() != list.enrolments.size() + list.trials.size()) {
        throw CliError(kExitSetUp, "a worker process ended without all its results");
    }
    return collector.Outcome();
}

}  // namespace kelvo_cli
