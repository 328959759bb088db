// Enrolment and verification end to end through the exported functions, with the speech
// double echoing each recording's text as its model vector.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <string>

#include "kelvo/core/model_vector.h"
#include "kelvo/kelvo.h"
#include "speech_double.h"
#include "work_dir.h"

namespace kelvo {
namespace {

ModelVector Voice(double base) {
    ModelVector vector;
    for (std::size_t i = 0; i < vector.size(); ++i) {
        vector[i] = base + static_cast<double>(i % 7);
    }
    return vector;
}

std::string PrintfValues(const ModelVector& vector) {
    std::string text;
    char buffer[64];
    for (double value : vector) {
        std::snprintf(buffer, sizeof buffer, "%le ", value);
        text += buffer;
    }
    return text;
}

class EnrolVerify : public testing::InWorkDir {
  protected:
    // Recording n, as the speech double reads it: the text of its model vector.
    void Record(int n, const std::string& modelText) {
        WriteFile(std::to_string(n) + ".raw", modelText);
    }
    void Record(int n, const ModelVector& vector) { Record(n, PrintfValues(vector)); }

    std::string Profile() { return ReadFile("kelvo.cfg"); }
};

TEST_F(EnrolVerify, TwoEnrolmentsThenMatchingAndForeignAttempts) {
    Record(1, Voice(10000));
    Record(2, Voice(10000.5));
    EXPECT_EQ(TrainSpeaker("Demo", 1), KELVO_TRAIN_OK);
    EXPECT_EQ(TrainSpeaker("Demo", 2), KELVO_TRAIN_OK);
    EXPECT_EQ(Profile(), "Demo 1 " + PrintfValues(Voice(10000)) + "\n" + "Demo 2 " +
                             PrintfValues(Voice(10000.5)) + "\n");

    Record(3, Voice(10000));
    EXPECT_DOUBLE_EQ(EvalSpeaker("Demo", 3), 100.0);
    Record(3, Voice(5000));
    EXPECT_EQ(EvalSpeaker("Demo", 3), 0.0);
    EXPECT_EQ(EvalSpeaker("demo", 1), 0.0);  // names are case-sensitive
}

TEST_F(EnrolVerify, EnrolmentAppendsBehindOtherSpeakers) {
    const std::string other = "Other 5 1 2 3\n";
    WriteFile("kelvo.cfg", other);
    Record(1, Voice(10000));
    EXPECT_EQ(TrainSpeaker("Demo", 1), KELVO_TRAIN_OK);
    EXPECT_EQ(Profile(), other + "Demo 1 " + PrintfValues(Voice(10000)) + "\n");
    // One line of the speaker serves as both enrolments.
    EXPECT_DOUBLE_EQ(EvalSpeaker("Demo", 1), 100.0);
}

TEST_F(EnrolVerify, AShortStatesFileEnrolsWithItsLastNumberRepeated) {
    Record(1, "1500.5 2500.5 x 3500.5");
    EXPECT_EQ(TrainSpeaker("Demo", 1), KELVO_TRAIN_OK);
    ModelVector expected;
    expected.fill(2500.5);
    expected[0] = 1500.5;
    EXPECT_EQ(Profile(), "Demo 1 " + PrintfValues(expected) + "\n");
    // Verification needs all 45 numbers.
    EXPECT_EQ(EvalSpeaker("Demo", 1), 0.0);
}

TEST_F(EnrolVerify, NoUsableModelVectorEnrolsNothing) {
    // Values outside [1000, 19000] are none the pipeline writes.
    for (const char* states :
         {"", "   \n", "x 1 2", "nan", "1000 inf 2000", "-1e9", "999.9", "1000 19000.5"}) {
        Record(1, states);
        EXPECT_EQ(TrainSpeaker("Demo", 1), KELVO_TRAIN_NO_MODEL_VECTOR) << states;
    }
    std::filesystem::remove("1.raw");  // the speech library writes no model vector at all
    EXPECT_EQ(TrainSpeaker("Demo", 1), KELVO_TRAIN_NO_MODEL_VECTOR);
    EXPECT_FALSE(std::filesystem::exists("kelvo.cfg"));
}

TEST_F(EnrolVerify, AFailedPipelineIsNeverScoredWithTheEarlierModelVector) {
    Record(1, Voice(10000));
    ASSERT_EQ(TrainSpeaker("Demo", 1), KELVO_TRAIN_OK);
    // Recording 7 does not exist: the enrolment's "states.txt" must not be compared with
    // itself.
    EXPECT_EQ(EvalSpeaker("Demo", 7), 0.0);
    EXPECT_EQ(TrainSpeaker("Demo", 7), KELVO_TRAIN_NO_MODEL_VECTOR);
}

TEST_F(EnrolVerify, AListFileThatCannotBeRewrittenFailsTheRun) {
    Record(1, Voice(10000));
    Record(2, Voice(5000));
    ASSERT_EQ(TrainSpeaker("Demo", 1), KELVO_TRAIN_OK);
    // Replace "raw.txt" by a directory: it still names nothing new, and the double would
    // otherwise have scored whatever the stale list named.
    std::filesystem::remove("raw.txt");
    std::filesystem::create_directory("raw.txt");
    speech_double::WriteStates(PrintfValues(Voice(10000)));
    EXPECT_EQ(EvalSpeaker("Demo", 2), 0.0);
    EXPECT_EQ(TrainSpeaker("Demo", 2), KELVO_TRAIN_NO_MODEL_VECTOR);
    EXPECT_EQ(speech_double::Calls().size(), 6u);  // the entry points still ran
}

TEST_F(EnrolVerify, MissingOrForeignEnrolmentRejects) {
    Record(1, Voice(10000));
    EXPECT_EQ(EvalSpeaker("Demo", 1), 0.0);  // no profile at all
    WriteFile("kelvo.cfg", "Other 1 " + PrintfValues(Voice(10000)) + "\n");
    EXPECT_EQ(EvalSpeaker("Demo", 1), 0.0);  // no line of the speaker
    WriteFile("kelvo.cfg", "Demo 1 " + PrintfValues(Voice(10000)) + "\nDemo 2 1 2\n");
    EXPECT_EQ(EvalSpeaker("Demo", 1), 0.0);  // the last line is damaged
}

TEST_F(EnrolVerify, AProfileThatCannotBeWrittenIsReported) {
    std::filesystem::create_directory("kelvo.cfg");
    Record(1, Voice(10000));
    EXPECT_EQ(TrainSpeaker("Demo", 1), KELVO_TRAIN_PROFILE_NOT_WRITTEN);
}

TEST_F(EnrolVerify, NamesThatCannotBeStoredAreRefusedBeforeAnyWork) {
    Record(1, Voice(10000));
    const std::string tooLong(1024, 'n');
    for (const char* name :
         {static_cast<const char*>(nullptr), "", "De mo", "Demo\n", tooLong.c_str()}) {
        EXPECT_EQ(TrainSpeaker(name, 1), KELVO_TRAIN_BAD_NAME);
        EXPECT_EQ(EvalSpeaker(name, 1), 0.0);
    }
    EXPECT_TRUE(speech_double::Calls().empty());
    EXPECT_FALSE(std::filesystem::exists("kelvo.cfg"));

    const std::string longest(1023, 'n');
    EXPECT_EQ(TrainSpeaker(longest.c_str(), 1), KELVO_TRAIN_OK);
    EXPECT_DOUBLE_EQ(EvalSpeaker(longest.c_str(), 1), 100.0);
}

TEST_F(EnrolVerify, NumbersUseTheCLocaleWhateverTheProcessLocale) {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "locale de_DE.UTF-8 not installed (scripts/install-deps.sh makes it)";
    }
    Record(1, "1500.5 2500.5 3250.25");
    const int trained = TrainSpeaker("Demo", 1);
    const double score = EvalSpeaker("Demo", 1);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(trained, KELVO_TRAIN_OK);
    EXPECT_EQ(Profile().substr(0, 33), "Demo 1 1.500500e+03 2.500500e+03 ");
    EXPECT_EQ(score, 0.0);  // three numbers enrol but do not verify

    Record(2, Voice(10000));
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    const int trainedFull = TrainSpeaker("Full", 2);
    const double fullScore = EvalSpeaker("Full", 2);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(trainedFull, KELVO_TRAIN_OK);
    EXPECT_DOUBLE_EQ(fullScore, 100.0);
}

}  // namespace
}  // namespace kelvo
