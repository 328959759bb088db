// What was said counts on its own: with the voice's statistics exactly the enrolment's, another
// password still misses more positions than another take of the same password (the attempts
// below keep the enrolled recording's voice statistics and take only what was said from
// another recording).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "front_end.h"
#include "kelvo/core/scoring.h"
#include "model_vector.h"
#include "recording.h"
#include "speech/speech.h"
#include "speech_frames.h"
#include "utterance_statistics.h"

namespace speech {
namespace {

const FrameLayout kLayout = FrameLayout::ForFeatures(45);

UtteranceStatistics StatisticsOf(const std::string& sample) {
    std::vector<double> samples;
    const FrontEndOptions options;
    EXPECT_EQ(
        ReadRecording(std::string(SPEECH_TEST_DATA) + "/" + sample, options.sampleRate, samples),
        SPEECH_OK);
    FrontEnd frontEnd(options);
    const auto statistics = ComputeUtteranceStatistics({frontEnd.Compute(samples)}, kLayout);
    EXPECT_TRUE(statistics) << sample;
    return statistics.value_or(UtteranceStatistics{});
}

kelvo::ModelVector VectorOf(const UtteranceStatistics& statistics) {
    const std::vector<double> values = ComputeModelVector(statistics, ShippedModelVector());
    kelvo::ModelVector vector{};
    std::copy(values.begin(), values.end(), vector.begin());
    return vector;
}

// The misses of an attempt whose voice statistics are exactly the enrolment's: what was said
// alone, as if the voice matched exactly.
double PhraseMisses(const UtteranceStatistics& enrolled, UtteranceStatistics attempt) {
    attempt.voice = enrolled.voice;
    const kelvo::ModelVector enrolment = VectorOf(enrolled);
    return kelvo::CompareVectors(enrolment, enrolment, VectorOf(attempt), kelvo::kPassThreshold)
        .misses;
}

TEST(PasswordCondition, AnotherPasswordMissesMoreThanAnotherTakeOfTheSameOne) {
    struct Case {
        const char* enrolled;
        const char* sameAgain;
        const char* otherPassword;
    };
    for (const Case& c : {Case{"real16_1234_4.raw", "real16_1234_5.raw", "real16_5678_1.raw"},
                          Case{"real21_1234_4.raw", "real21_1234_5.raw", "real21_5678_1.raw"},
                          Case{"voiceA_pass_1.raw", "voiceA_pass_2.raw", "voiceA_other_1.raw"}}) {
        SCOPED_TRACE(c.enrolled);
        const UtteranceStatistics enrolled = StatisticsOf(c.enrolled);
        const double same = PhraseMisses(enrolled, StatisticsOf(c.sameAgain));
        const double other = PhraseMisses(enrolled, StatisticsOf(c.otherPassword));
        EXPECT_LE(same, kelvo::kMissLimit);
        EXPECT_GT(other, same);
    }
}

}  // namespace
}  // namespace speech
