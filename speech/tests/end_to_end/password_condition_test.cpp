// The model vector's phrase positions: more of them than the verifier's miss limit read what
// was said and nothing else, and they tell another password from another take of the same one
// even where the voice is the enrolment's own (the attempts below keep the enrolled
// recording's voice statistics exactly and take only what was said from another recording).
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
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

// Whether each position of the shipped model vector reads the phrase's coordinates alone;
// nullopt for a position that reads both parts.
std::vector<std::optional<bool>> PhrasePositions() {
    const ModelVectorParameters& shipped = ShippedModelVector();
    const std::size_t dims = shipped.voice.outputs + shipped.phrase.outputs;
    std::vector<std::optional<bool>> result;
    for (std::size_t i = 0; i < kModelVectorSize; ++i) {
        bool readsVoice = false;
        bool readsPhrase = false;
        for (std::size_t j = 0; j < dims; ++j) {
            const bool used = shipped.directions[i * dims + j] != 0.0;
            (j < shipped.voice.outputs ? readsVoice : readsPhrase) |= used;
        }
        result.push_back(readsVoice == readsPhrase ? std::nullopt
                                                   : std::optional<bool>(readsPhrase));
    }
    return result;
}

TEST(PasswordCondition, MorePositionsThanTheMissLimitReadThePhraseAlone) {
    std::size_t phrase = 0;
    for (const std::optional<bool>& readsPhrase : PhrasePositions()) {
        ASSERT_TRUE(readsPhrase.has_value()) << "a position reads both the voice and the phrase";
        phrase += *readsPhrase ? 1 : 0;
    }
    EXPECT_GT(static_cast<double>(phrase), kelvo::kMissLimit);
    EXPECT_GT(static_cast<double>(kModelVectorSize - phrase), kelvo::kMissLimit);
}

// The misses at the phrase's positions alone, the voice's taken from the enrolment: what was
// said, as if the voice matched exactly.
double PhraseMisses(const UtteranceStatistics& enrolled, UtteranceStatistics attempt) {
    attempt.voice = enrolled.voice;
    const kelvo::ModelVector enrolment = VectorOf(enrolled);
    return kelvo::CompareVectors(enrolment, enrolment, VectorOf(attempt), kelvo::kPassThreshold)
        .misses;
}

TEST(PasswordCondition, AnotherPasswordMissesMoreOfThePhrasePositionsThanAnotherTake) {
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
