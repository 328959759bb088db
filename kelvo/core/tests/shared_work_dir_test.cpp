// Calls sharing one working directory: from two threads, from two processes, and while
// another holds the directory.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <thread>

#include "child_process.h"
#include "kelvo/core/profile_store.h"
#include "kelvo/core/work_lock.h"
#include "kelvo/kelvo.h"
#include "speech_double.h"
#include "work_dir.h"

namespace kelvo {
namespace {

constexpr int kRounds = 100;

ModelVector Filled(double value) {
    ModelVector vector;
    vector.fill(value);
    return vector;
}

// Speaker A's recording is 1, B's is 2; each is scored 100 against its own enrolment and 0
// against the other's.
const ModelVector kVoiceA = Filled(5000);
const ModelVector kVoiceB = Filled(10000);

class SharedWorkDir : public testing::InWorkDir {
  protected:
    void SetUp() override {
        InWorkDir::SetUp();
        Record(1, kVoiceA);
        Record(2, kVoiceB);
    }
    void TearDown() override {
        SetWorkLockTimeout(kWorkLockTimeout);
        InWorkDir::TearDown();
    }

    // Rounds of enrolment and verification of one speaker with its own recording, and of the
    // other speaker claimed with it. The number of results that were not the recording's own.
    static int Rounds(const char* speaker, int n, const char* other) {
        int wrong = 0;
        for (int i = 0; i < kRounds; ++i) {
            wrong += TrainSpeaker(speaker, n) != KELVO_TRAIN_OK;
            wrong += EvalSpeaker(speaker, n) != 100.0;
            wrong += EvalSpeaker(other, n) != 0.0;
        }
        return wrong;
    }

    // Both speakers enrolled once before the rounds, kRounds times during them, each line
    // with the speaker's own vector.
    void ExpectEveryProfileLineOwnVector() {
        const std::string lineA = FormatProfileLine("A", 1, kVoiceA);
        const std::string lineB = FormatProfileLine("B", 2, kVoiceB);
        std::istringstream profile(ReadFile(kProfileFile));
        int linesA = 0;
        int linesB = 0;
        for (std::string line; std::getline(profile, line);) {
            line += '\n';
            linesA += line == lineA;
            linesB += line == lineB;
            EXPECT_TRUE(line == lineA || line == lineB) << line;
        }
        EXPECT_EQ(linesA, kRounds + 1);
        EXPECT_EQ(linesB, kRounds + 1);
    }

    void EnrolBoth() {
        ASSERT_EQ(TrainSpeaker("A", 1), KELVO_TRAIN_OK);
        ASSERT_EQ(TrainSpeaker("B", 2), KELVO_TRAIN_OK);
    }
};

TEST_F(SharedWorkDir, TwoProcessesEachGetTheirOwnRecordingsResults) {
    ASSERT_NO_FATAL_FAILURE(EnrolBoth());
    const auto rounds = [](const char* speaker, int n, const char* other) {
        const pid_t pid = fork();
        if (pid == 0) {
            alarm(300);
            _exit(std::min(Rounds(speaker, n, other), 100));
        }
        return pid;
    };
    const pid_t a = rounds("A", 1, "B");
    const pid_t b = rounds("B", 2, "A");
    ASSERT_NO_FATAL_FAILURE(
        test_support::ExpectChildrenSucceed({a, b}, "results not of the process's own recording"));
    ExpectEveryProfileLineOwnVector();
}

TEST_F(SharedWorkDir, TwoThreadsEachGetTheirOwnRecordingsResults) {
    ASSERT_NO_FATAL_FAILURE(EnrolBoth());
    int wrongA = 0;
    int wrongB = 0;
    std::thread a([&wrongA] { wrongA = Rounds("A", 1, "B"); });
    std::thread b([&wrongB] { wrongB = Rounds("B", 2, "A"); });
    a.join();
    b.join();
    EXPECT_EQ(wrongA, 0);
    EXPECT_EQ(wrongB, 0);
    ExpectEveryProfileLineOwnVector();
}

TEST_F(SharedWorkDir, ACallGivesUpWithoutWorkWhileAnotherHoldsTheDirectory) {
    ASSERT_EQ(TrainSpeaker("A", 1), KELVO_TRAIN_OK);
    const std::string profile = ReadFile(kProfileFile);
    const std::size_t calls = speech_double::Calls().size();

    // Another process's call, as far as flock() can tell: a lock on another open file.
    const int held = open(kLockFile, O_RDWR | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    SetWorkLockTimeout(std::chrono::milliseconds(20));
    EXPECT_EQ(TrainSpeaker("A", 1), KELVO_TRAIN_PROFILE_NOT_WRITTEN);
    EXPECT_EQ(EvalSpeaker("A", 1), 0.0);
    EXPECT_EQ(speech_double::Calls().size(), calls);
    EXPECT_EQ(ReadFile(kProfileFile), profile);

    close(held);
    EXPECT_EQ(EvalSpeaker("A", 1), 100.0);
}

}  // namespace
}  // namespace kelvo
