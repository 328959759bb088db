// Enrolment and verification of real recordings through kelvo, as the demo runs them: one
// take enrolled as recordings 1 and 2, the attempt as recording 3.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "kelvo/kelvo.h"
#include "temp_dir.h"

namespace {

class Verification : public test_support::InTempDir {
  protected:
    static void Use(const char* sample, int n) {
        std::filesystem::copy_file(std::string(SPEECH_TEST_DATA) + "/" + sample,
                                   std::to_string(n) + ".raw",
                                   std::filesystem::copy_options::overwrite_existing);
    }

    static void Enrol(const char* sample) {
        std::filesystem::remove("kelvo.cfg");
        Use(sample, 1);
        Use(sample, 2);
        ASSERT_EQ(TrainSpeaker("Demo", 1), KELVO_TRAIN_OK);
        ASSERT_EQ(TrainSpeaker("Demo", 2), KELVO_TRAIN_OK);
    }

    static double Attempt(const char* sample) {
        Use(sample, 3);
        return EvalSpeaker("Demo", 3);
    }

    // The sample brought to a peak of dbfs below full scale and stored in 8 bits again, as a
    // quieter speaker on the same recorder gives it, then attempted.
    static double AttemptAtLevel(const char* sample, double dbfs) {
        std::string bytes = ReadFile(std::string(SPEECH_TEST_DATA) + "/" + sample);
        int peak = 1;
        for (const char b : bytes) {
            peak = std::max(peak, std::abs(static_cast<unsigned char>(b) - 128));
        }
        const double factor = 127.0 * std::pow(10.0, dbfs / 20.0) / peak;
        for (char& b : bytes) {
            const double x = (static_cast<unsigned char>(b) - 128) * factor;
            b = static_cast<char>(128 + std::lround(std::clamp(x, -128.0, 127.0)));
        }
        WriteFile("3.raw", bytes);
        return EvalSpeaker("Demo", 3);
    }
};

TEST_F(Verification, AcceptsTheEnrolledVoiceAndRejectsOthers) {
    Enrol("voiceA_pass_1.raw");
    EXPECT_GT(Attempt("voiceA_pass_2.raw"), 90.0);
    EXPECT_EQ(Attempt("voiceB_pass_1.raw"), 0.0);
    EXPECT_EQ(Attempt("voiceB_pass_2.raw"), 0.0);
    EXPECT_EQ(Attempt("voiceA_other_1.raw"), 0.0);  // the right voice, the wrong password

    Enrol("voiceB_pass_2.raw");
    EXPECT_GT(Attempt("voiceB_pass_1.raw"), 90.0);
    EXPECT_EQ(Attempt("voiceA_pass_1.raw"), 0.0);
}

// Two real speakers the model vector was fitted without: a later session of the enrolled
// password is accepted; the other speaker saying it, and the same speaker saying another
// password, are not.
TEST_F(Verification, RealVoicesAcceptOnlyTheirOwnPassword) {
    struct Case {
        const char* enrolled;
        const char* same_password;
        const char* other_speaker[2];
        const char* other_password;
    };
    for (const Case& c : {
             Case{"real16_1234_4.raw",
                  "real16_1234_5.raw",
                  {"real21_1234_4.raw", "real21_1234_5.raw"},
                  "real16_5678_1.raw"},
             Case{"real21_1234_4.raw",
                  "real21_1234_5.raw",
                  {"real16_1234_4.raw", "real16_1234_5.raw"},
                  "real21_5678_1.raw"},
         }) {
        SCOPED_TRACE(c.enrolled);
        ASSERT_NO_FATAL_FAILURE(Enrol(c.enrolled));
        EXPECT_GT(Attempt(c.same_password), 0.0);
        for (const char* other : c.other_speaker) {
            EXPECT_EQ(Attempt(other), 0.0) << other;
        }
        EXPECT_EQ(Attempt(c.other_password), 0.0);
    }
}

TEST_F(Verification, SilenceAndMissingRecordingsScoreZero) {
    Enrol("voiceA_pass_1.raw");
    EXPECT_EQ(Attempt("silence.raw"), 0.0);
    EXPECT_EQ(EvalSpeaker("Demo", 9), 0.0);

    Use("silence.raw", 4);
    EXPECT_EQ(TrainSpeaker("Silent", 4), KELVO_TRAIN_NO_MODEL_VECTOR);
    EXPECT_FALSE(std::filesystem::exists("states.txt"));
}

}  // namespace

// The same attempt gives the same decision whether it was spoken at full scale or 24 dB below:
// genuine attempts stay accepted, other voices and other passwords stay refused.
TEST_F(Verification, TheDecisionDoesNotChangeWithTheLevel) {
    struct Case {
        const char* enrolled;
        const char* attempt;
        bool accepted;
    };
    for (const Case& c : {Case{"real16_1234_4.raw", "real16_1234_5.raw", true},
                          Case{"real21_1234_4.raw", "real21_1234_5.raw", true},
                          Case{"real16_1234_4.raw", "real21_1234_5.raw", false},
                          Case{"real21_1234_4.raw", "real16_1234_4.raw", false},
                          Case{"real16_1234_4.raw", "real16_5678_1.raw", false},
                          Case{"voiceA_pass_1.raw", "voiceA_pass_2.raw", true},
                          Case{"voiceA_pass_1.raw", "voiceB_pass_1.raw", false}}) {
        ASSERT_NO_FATAL_FAILURE(Enrol(c.enrolled));
        for (const double dbfs : {0.0, -6.0, -12.0, -18.0, -24.0}) {
            SCOPED_TRACE(std::string(c.enrolled) + " against " + c.attempt + " at " +
                         std::to_string(dbfs) + " dBFS");
            EXPECT_EQ(AttemptAtLevel(c.attempt, dbfs) > 0.0, c.accepted);
        }
    }
}
