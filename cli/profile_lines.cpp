#include "profile_lines.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "call_outcome.h"
#include "exit_codes.h"
#include "interrupt_cleanup.h"
#include "kelvo/core/number_text.h"
#include "kelvo/core/profile_store.h"
#include "kelvo/core/text_file.h"
#include "kelvo/core/work_lock.h"

namespace kelvo_cli {
namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

[[noreturn]] void ProfileError(ExitCode code, const std::string& what) {
    throw CliError(code, std::string(kelvo::kProfileFile) + ": " + what);
}

// The profile opened for reading, or -1 when there is none; refuses what the library refuses.
int OpenProfile(ExitCode code) {
    const int fd = kelvo::OpenRegularFile(kelvo::kProfileFile, portable::kRead);
    if (fd >= 0) {
        return fd;
    }
    struct stat status {};
    if (lstat(kelvo::kProfileFile, &status) != 0 && errno == ENOENT) {
        return -1;
    }
    ProfileError(code, "not a regular file (a link, directory or FIFO), or unreadable");
}

// Copies the profile to `out` without the speaker's lines. Each line's head (up to the
// library's line limit) is held until its owner is known; the rest of the line is copied or
// skipped as it comes.
class LineFilter {
  public:
    LineFilter(std::string_view speaker, int out) : speaker_(speaker), out_(out) {}

    bool Feed(std::string_view bytes) {
        while (!bytes.empty()) {
            const std::size_t end = bytes.find('\n');
            const std::string_view piece = bytes.substr(0, end);
            const bool lineEnds = end != std::string_view::npos;
            if (state_ == State::kHead) {
                const std::size_t room = kelvo::kMaxProfileLineLength - head_.size();
                head_.append(piece.substr(0, room));
                if (piece.size() > room) {
                    Decide(false);
                    if (!Pass(piece.substr(room))) {
                        return false;
                    }
                } else if (lineEnds) {
                    Decide(true);
                }
            } else if (!Pass(piece)) {
                return false;
            }
            if (!lineEnds) {
                break;
            }
            if (!Pass("\n")) {
                return false;
            }
            state_ = State::kHead;
            bytes.remove_prefix(end + 1);
        }
        return true;
    }

    // The last line, when the profile does not end in a line feed.
    bool Finish() {
        if (state_ == State::kHead && !head_.empty()) {
            Decide(true);
        }
        return !failed_;
    }

    std::size_t Removed() const { return removed_; }

  private:
    enum class State { kHead, kCopy, kSkip };

    // Chooses the line's fate and writes its head when it is kept.
    void Decide(bool complete) {
        const bool theirs = LineSpeaker(head_, complete) == speaker_;
        removed_ += theirs ? 1 : 0;
        state_ = theirs ? State::kSkip : State::kCopy;
        failed_ = failed_ || (!theirs && !kelvo::WriteAll(out_, head_));
        head_.clear();
    }

    bool Pass(std::string_view bytes) {
        if (state_ == State::kCopy) {
            failed_ = failed_ || !kelvo::WriteAll(out_, bytes);
        }
        return !failed_;
    }

    std::string_view speaker_;
    int out_;
    State state_ = State::kHead;
    std::string head_;
    std::size_t removed_ = 0;
    bool failed_ = false;
};

}  // namespace

std::optional<std::string_view> LineSpeaker(std::string_view line, bool complete) {
    const auto begin = std::find_if_not(line.begin(), line.end(), kelvo::IsSpace);
    const auto end = std::find_if(begin, line.end(), kelvo::IsSpace);
    if (begin == end || (!complete && end == line.end())) {
        return std::nullopt;
    }
    return std::string_view(begin, end);
}

std::vector<EnrolledSpeaker> ReadSpeakers() {
    std::vector<EnrolledSpeaker> speakers;
    const int fd = OpenProfile(kExitUnknownSpeaker);
    if (fd < 0) {
        return speakers;
    }
    const bool read = kelvo::ForEachLine(
        fd, kelvo::kMaxProfileLineLength, [&speakers](std::string_view line, bool complete) {
            const auto name = LineSpeaker(line, complete);
            if (!name) {
                return;
            }
            const auto known = std::find_if(speakers.begin(), speakers.end(),
                                            [&](const auto& s) { return s.name == *name; });
            if (known == speakers.end()) {
                speakers.push_back({std::string(*name), 1});
            } else {
                ++known->enrolments;
            }
        });
    close(fd);
    if (!read) {
        ProfileError(kExitUnknownSpeaker, "read error");
    }
    return speakers;
}

std::size_t ForgetSpeaker(std::string_view speaker) {
    const kelvo::WorkDirLock lock;
    if (!lock.Held()) {
        const kelvo::CallReason reason = kelvo::ReasonOf(lock.State());
        throw CliError(ExitCodeOf(reason, false), kelvo::ReasonText(reason));
    }
    const int in = OpenProfile(kExitSetUp);
    if (in < 0) {
        return 0;
    }
    struct stat status {};
    if (fstat(in, &status) != 0) {
        close(in);
        ProfileError(kExitSetUp, "cannot read");
    }
    // Created exclusively under an unpredictable name of the kind the library removes when a
    // killed call left one behind; given the profile's permissions before anything is in it.
    // Registered as it is made, so that an interrupted rewrite removes it.
    std::string temporary;
    RemoveOnInterrupt removal;  // to the end of the function, past the rename or unlink
    int createError = 0;
    const int out = Uninterrupted([&] {
        const int made =
            portable::CreateUniqueFile(kelvo::TemporaryBase(kelvo::kProfileFile), temporary);
        createError = errno;
        if (made >= 0) {
            removal = RemoveOnInterrupt(temporary);
        }
        return made;
    });
    if (out < 0) {
        close(in);
        ProfileError(kExitSetUp, std::string("cannot create a temporary file (") +
                                     std::strerror(createError) + ")");
    }
    LineFilter filter(speaker, out);
    std::string chunk(kReadChunk, '\0');
    bool ok = fchmod(out, status.st_mode & 07777) == 0;
    for (ssize_t got = 0; ok;) {
        do {
            got = read(in, chunk.data(), chunk.size());
        } while (got < 0 && errno == EINTR);
        if (got <= 0) {
            ok = got == 0 && filter.Finish();
            break;
        }
        ok = filter.Feed(std::string_view(chunk.data(), static_cast<std::size_t>(got)));
    }
    close(in);
    // On the device before it replaces the profile, so that a crash leaves one or the other.
    ok = ok && fsync(out) == 0;
    ok = close(out) == 0 && ok;
    if (ok && filter.Removed() == 0) {
        unlink(temporary.c_str());
        return 0;
    }
    // rename(2) replaces the name atomically: a reader sees the old or the new profile.
    if (!ok || std::rename(temporary.c_str(), kelvo::kProfileFile) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        ProfileError(kExitSetUp, std::string("cannot write the new profile (") +
                                     std::strerror(error) + "); it was left as it was");
    }
    return filter.Removed();
}

}  // namespace kelvo_cli
