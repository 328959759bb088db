// Two processes enrolling and verifying in one working directory with the real speech
// library: each call must score its own recording, never the other process's.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "child_process.h"
#include "kelvo/kelvo.h"
#include "temp_dir.h"

namespace {

constexpr int kRounds = 20;

class SharedDirectory : public test_support::InTempDir {
  protected:
    static void Use(const char* sample, int n) {
        std::filesystem::copy_file(std::string(SPEECH_TEST_DATA) + "/" + sample,
                                   std::to_string(n) + ".raw",
                                   std::filesystem::copy_options::overwrite_existing);
    }
};

// Rounds of enrolling the speaker's recording again, verifying it, and claiming the other
// speaker with it; the number of results that differ from the recording's own.
int Rounds(const char* speaker, int n, const char* other, double ownScore) {
    int wrong = 0;
    for (int i = 0; i < kRounds; ++i) {
        wrong += TrainSpeaker(speaker, n) != KELVO_TRAIN_OK;
        wrong += EvalSpeaker(speaker, n) != ownScore;
        wrong += EvalSpeaker(other, n) != 0.0;
    }
    return wrong;
}

TEST_F(SharedDirectory, TwoProcessesEachScoreTheirOwnRecording) {
    Use("voiceA_pass_1.raw", 1);
    Use("voiceB_pass_1.raw", 2);
    ASSERT_EQ(TrainSpeaker("A", 1), KELVO_TRAIN_OK);
    ASSERT_EQ(TrainSpeaker("B", 2), KELVO_TRAIN_OK);
    // Each recording's scores with nothing else running.
    const double scoreA = EvalSpeaker("A", 1);
    const double scoreB = EvalSpeaker("B", 2);
    ASSERT_GT(scoreA, 90.0);
    ASSERT_GT(scoreB, 90.0);
    ASSERT_EQ(EvalSpeaker("B", 1), 0.0);
    ASSERT_EQ(EvalSpeaker("A", 2), 0.0);

    const auto start = [](const char* speaker, int n, const char* other, double score) {
        const pid_t pid = fork();
        if (pid == 0) {
            alarm(600);
            _exit(std::min(Rounds(speaker, n, other, score), 100));
        }
        return pid;
    };
    const pid_t a = start("A", 1, "B", scoreA);
    const pid_t b = start("B", 2, "A", scoreB);
    ASSERT_NO_FATAL_FAILURE(
        test_support::ExpectChildrenSucceed({a, b}, "results not of the process's own recording"));

    // Every line of a speaker holds the vector of the speaker's own recording.
    std::ifstream profile("kelvo.cfg");
    std::string firstA;
    std::string firstB;
    int lines = 0;
    for (std::string line; std::getline(profile, line); ++lines) {
        std::string& first = line.starts_with("A 1 ") ? firstA : firstB;
        if (first.empty()) {
            first = line;
        }
        EXPECT_EQ(line, first);
    }
    EXPECT_TRUE(firstA.starts_with("A 1 "));
    EXPECT_TRUE(firstB.starts_with("B 2 "));
    EXPECT_EQ(lines, 2 * (kRounds + 1));
}

}  // namespace
