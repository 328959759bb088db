// Why a call ended: a fault of the working directory is told apart from anything about the
// voice, a failed write leaves the profile as it was, and the directory stays held by one call
// whatever is done to its lock file.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "child_process.h"
#include "kelvo/core/enrolment.h"
#include "kelvo/core/profile_store.h"
#include "kelvo/core/verification.h"
#include "kelvo/core/work_lock.h"
#include "kelvo/kelvo.h"
#include "speech/speech.h"
#include "work_dir.h"

namespace kelvo {
namespace {

namespace fs = std::filesystem;

// A profile line of someone else, to make the profile larger than any work file.
std::string OtherSpeakersLines(int count) {
    std::string lines;
    for (int i = 0; i < count; ++i) {
        lines += FormatProfileLine("other" + std::to_string(i), 1, testing::SteadyVoice());
    }
    return lines;
}

class FaultReasons : public testing::InWorkDir {
  protected:
    void SetUp() override {
        InWorkDir::SetUp();
        Record(1, testing::SteadyVoice());
        Record(2, testing::SteadyVoice());
    }
    void TearDown() override {
        SetWorkLockTimeout(kWorkLockTimeout);
        InWorkDir::TearDown();
    }

    // Runs `body` in a fresh subdirectory holding recordings 1 and 2, then goes back.
    static void InFreshDirectory(const std::string& name, const std::function<void()>& body) {
        const fs::path home = fs::current_path();
        fs::create_directory(name);
        fs::copy_file("1.raw", fs::path(name) / "1.raw");
        fs::copy_file("2.raw", fs::path(name) / "2.raw");
        fs::current_path(name);
        speech_double::Reset();
        body();
        speech_double::Reset();
        fs::current_path(home);
    }
};

// Each way a call can fail has its own reason; no fault ever passes for a rejection, and the
// exported calls fold them into their codes as they always did.
TEST_F(FaultReasons, EachFailureHasItsReasonAndNoFaultPassesForARejection) {
    using R = CallReason;
    const struct {
        const char* name;
        std::function<void()> breakIt;  // run after "alice" was enrolled from recording 1
        R enrol;                        // enrolling recording 2 for "alice" again
        R verify;                       // verifying recording 2 against "alice"
        const char* speaker = "alice";
    } cases[] = {
        {"nothing wrong", [] {}, R::kDone, R::kDone},
        {"bad name", [] {}, R::kBadSpeakerName, R::kBadSpeakerName, "a b"},
        {"not enrolled", [] {}, R::kDone, R::kNotEnrolled, "carol"},
        {"lock a directory", [] { fs::remove("kelvo.lock") && fs::create_directory("kelvo.lock"); },
         R::kLockUnusable, R::kLockUnusable},
        {"lock a FIFO", [] { fs::remove("kelvo.lock") && mkfifo("kelvo.lock", 0600) == 0; },
         R::kLockUnusable, R::kLockUnusable},
        {"lock a link",
         [] {
             fs::remove("kelvo.lock");
             fs::create_symlink("elsewhere", "kelvo.lock");
         },
         R::kLockUnusable, R::kLockUnusable},
        {"profile a directory",
         [] {
             fs::remove("kelvo.cfg");
             fs::create_directory("kelvo.cfg");
         },
         R::kProfileUnusable, R::kProfileUnusable},
        {"states.txt a directory that holds a file",
         [] {
             fs::remove("states.txt");
             fs::create_directory("states.txt");
             WriteFile("states.txt/x", "x");
         },
         R::kWorkFilesNotWritten, R::kWorkFilesNotWritten},
        {"recording missing", [] { fs::remove("2.raw"); }, R::kRecordingUnreadable,
         R::kRecordingUnreadable},
        {"recording too long",
         [] {
             WriteFile("2.raw", std::string(11025 * 600 + 100, '\x80'));
             speech_double::SetExtractFeaturesResult(SPEECH_ERR_READ);
         },
         R::kRecordingTooLong, R::kRecordingTooLong},
        {"recording malformed", [] { speech_double::SetExtractFeaturesResult(SPEECH_ERR_FORMAT); },
         R::kRecordingMalformed, R::kRecordingMalformed},
        {"features not written", [] { speech_double::SetExtractFeaturesResult(SPEECH_ERR_WRITE); },
         R::kFeaturesNotWritten, R::kFeaturesNotWritten},
        {"model not written", [] { speech_double::SetInitHmmResult(SPEECH_ERR_WRITE); },
         R::kModelNotWritten, R::kModelNotWritten},
        {"transitions a directory",
         [] {
             fs::create_directory("trans.txt");
             speech_double::SetInitHmmResult(SPEECH_ERR_READ);
         },
         R::kTransitionsUnusable, R::kTransitionsUnusable},
        {"the speech library failing otherwise",
         [] { speech_double::SetInitHmmResult(SPEECH_ERR_READ); }, R::kSpeechLibraryFailed,
         R::kSpeechLibraryFailed},
        {"no voice", [] { speech_double::SetInitHmmResult(SPEECH_ERR_TOO_LITTLE_SPEECH); },
         R::kNoVoice, R::kNoVoice},
        {"first enrolment damaged", [] { WriteFile("kelvo.cfg", "alice 1 1.0e+04 damaged\n"); },
         R::kEnrolmentUnreadable, R::kEnrolmentUnreadable},
        {"last enrolment damaged",
         [] {
             WriteFile("kelvo.cfg", FormatProfileLine("alice", 1, testing::SteadyVoice()) +
                                        "alice 1 1.0e+04 damaged\n");
         },
         R::kDone, R::kEnrolmentUnreadable},
    };
    for (const auto& c : cases) {
        InFreshDirectory(c.name, [&] {
            ASSERT_EQ(TrainSpeaker("alice", 1), KELVO_TRAIN_OK) << c.name;
            c.breakIt();
            const VerificationOutcome verified = Verify(c.speaker, 2);
            EXPECT_EQ(verified.reason, c.verify) << c.name;
            EXPECT_EQ(verified.Accepted(), c.verify == R::kDone) << c.name;
            EXPECT_EQ(EvalSpeaker(c.speaker, 2), verified.Score()) << c.name;
            const std::string profile = ReadFile("kelvo.cfg");
            const EnrolmentOutcome enrolled = Enrol(c.speaker, 2);
            EXPECT_EQ(enrolled.reason, c.enrol) << c.name;
            if (enrolled.reason != R::kDone) {
                EXPECT_EQ(ReadFile("kelvo.cfg"), profile) << c.name << ": the profile changed";
            }
        });
    }
}

// A write that stops part-way (a full disk, a quota: here a file-size limit) must not leave
// part of a line behind, neither for a speaker enrolled before nor for a first enrolment.
TEST_F(FaultReasons, AFailedAppendLeavesTheProfileByteForByte) {
    const struct {
        const char* name;
        bool enrolledBefore;
        int room;  // bytes the profile may still grow by
    } cases[] = {
        {"enrolled before, no room", true, 0},
        {"enrolled before, room for part of a line", true, 34},
        {"first enrolment, no room", false, 0},
        {"first enrolment, room for part of a line", false, 200},
    };
    for (const auto& c : cases) {
        InFreshDirectory(c.name, [&] {
            WriteFile("kelvo.cfg", OtherSpeakersLines(60));
            if (c.enrolledBefore) {
                ASSERT_EQ(TrainSpeaker("alice", 1), KELVO_TRAIN_OK);
            }
            const std::string before = ReadFile("kelvo.cfg");
            const int reason = testing::InChild([&] {
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{before.size() + static_cast<rlim_t>(c.room),
                                   before.size() + static_cast<rlim_t>(c.room)};
                setrlimit(RLIMIT_FSIZE, &limit);
                return static_cast<int>(Enrol("alice", 2).reason);
            });
            EXPECT_EQ(reason, static_cast<int>(CallReason::kProfileNotWritten)) << c.name;
            EXPECT_EQ(ReadFile("kelvo.cfg"), before) << c.name;
            // Nothing stands in the way of enrolling again, and the speaker verifies.
            EXPECT_EQ(TrainSpeaker("alice", 2), KELVO_TRAIN_OK) << c.name;
            EXPECT_EQ(EvalSpeaker("alice", 1), 100.0) << c.name;
        });
    }
}

// A holder in another process keeps the directory even when someone deletes "kelvo.lock" as
// a stale lock; once it lets go, the next call gets it.
TEST_F(FaultReasons, ExclusionSurvivesADeletedLockFile) {
    int toHolder[2];
    int fromHolder[2];
    ASSERT_EQ(pipe(toHolder), 0);
    ASSERT_EQ(pipe(fromHolder), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        close(toHolder[1]);
        const WorkDirLock lock;
        const char held = lock.Held() ? 'y' : 'n';
        (void)!write(fromHolder[1], &held, 1);
        char go = 0;
        (void)!read(toHolder[0], &go, 1);
        _exit(0);
    }
    char held = 0;
    ASSERT_EQ(read(fromHolder[0], &held, 1), 1);
    ASSERT_EQ(held, 'y');
    ASSERT_TRUE(fs::remove("kelvo.lock"));

    SetWorkLockTimeout(std::chrono::milliseconds(100));
    {
        const WorkDirLock lock;
        EXPECT_EQ(lock.State(), WorkLockState::kBusy);
    }
    EXPECT_EQ(Verify("alice", 1).reason, CallReason::kDirectoryBusy);
    EXPECT_EQ(Enrol("alice", 1).reason, CallReason::kDirectoryBusy);
    EXPECT_FALSE(fs::exists("kelvo.cfg")) << "nothing was done beside the holder";

    close(toHolder[1]);
    test_support::ExpectChildrenSucceed({holder}, "the holder failed");
    SetWorkLockTimeout(kWorkLockTimeout);
    const WorkDirLock lock;
    EXPECT_EQ(lock.State(), WorkLockState::kHeld);
}

// The temporaries a killed call left are removed by the next holder of the directory, and
// nothing else is; the profile the library makes is its owner's alone.
TEST_F(FaultReasons, TheNextCallRemovesStaleTemporariesAndTheProfileIsPrivate) {
    const char* stale[] = {"raw.txt.kelvo-tmp.AbCdEfGhIjKl", "mfc.txt.kelvo-tmp.000000000000",
                           "kelvo.cfg.kelvo-tmp.zzzzzzzzzzzz"};
    const char* kept[] = {"kelvo.cfg.backup", "kelvo.cfg.kelvo-tmp.short",
                          "notes.txt.kelvo-tmp.AbCdEfGhIjKl"};
    for (const char* name : stale) {
        WriteFile(name, "left by a killed call");
    }
    for (const char* name : kept) {
        WriteFile(name, "the user's");
    }
    fs::create_directory("ml.txt.kelvo-tmp.AbCdEfGhIjKl");  // not a file: not the library's
    ASSERT_EQ(TrainSpeaker("alice", 1), KELVO_TRAIN_OK);
    for (const char* name : stale) {
        EXPECT_FALSE(fs::exists(name)) << name;
    }
    for (const char* name : kept) {
        EXPECT_TRUE(fs::exists(name)) << name;
    }
    EXPECT_TRUE(fs::is_directory("ml.txt.kelvo-tmp.AbCdEfGhIjKl"));
    struct stat status {};
    ASSERT_EQ(stat("kelvo.cfg", &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

// Every reason has a name and a text of its own: a new reason without its entry would be
// reported as "done".
TEST(CallReasons, EachHasItsOwnNameAndText) {
    std::set<std::string> names;
    std::set<std::string> texts;
    const int last = static_cast<int>(CallReason::kNotEnrolled);
    for (int r = 0; r <= last; ++r) {
        const auto reason = static_cast<CallReason>(r);
        names.insert(ReasonName(reason));
        texts.insert(ReasonText(reason));
        EXPECT_EQ(KindOf(reason) == ReasonKind::kDone, reason == CallReason::kDone) << r;
    }
    EXPECT_EQ(names.size(), static_cast<std::size_t>(last + 1));
    EXPECT_EQ(texts.size(), static_cast<std::size_t>(last + 1));
}

}  // namespace
}  // namespace kelvo
