// Speech frames, the voice check, the utterance statistics and the model vector they give.
#include "model_vector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "speech_frames.h"
#include "utterance_statistics.h"
#include "voice_check.h"

namespace speech {
namespace {

constexpr std::size_t kFeatures = 45;
const FrameLayout kLayout = FrameLayout::ForFeatures(kFeatures);
const float kDb = static_cast<float>(std::numbers::ln10 / 10.0);  // one decibel in log energy

// Appends a frame whose statics are all `value`, with the given energy and pitch.
void AddFrame(FeatureMatrix& features, float value, float energy, float pitch = 0.0f) {
    features.dims = kFeatures;
    features.values.resize((features.frames + 1) * kFeatures, 0.0f);
    auto row = features.Row(features.frames++);
    for (std::size_t d = 0; d < kLayout.statics; ++d) {
        row[d] = value;
    }
    row[kLayout.energyIndex] = energy;
    features.pitch.push_back(pitch);
}

TEST(SpeechFrames, FixedRangeAndAboveTheNoiseFloor) {
    FeatureMatrix features;
    AddFrame(features, 0, 1.0f);
    AddFrame(features, 0, 1.0f - 24.0f * kDb);
    AddFrame(features, 0, 1.0f - 26.0f * kDb);
    AddFrame(features, 0, -40.0f);
    AddFrame(features, 0, 0.5f);
    EXPECT_EQ(SpeechFrames(features, kLayout), (std::vector<std::size_t>{0, 1, 4}));
    EXPECT_EQ(PauseFrames(features, kLayout), (std::vector<std::size_t>{2, 3}));

    // A noise floor 12 dB under the loudest frame: only frames 6 dB or more above it count,
    // whatever the fixed range would take.
    FeatureMatrix noisy;
    for (int i = 0; i < 20; ++i) {
        AddFrame(noisy, 0, 1.0f - 12.0f * kDb);
    }
    AddFrame(noisy, 0, 1.0f);
    AddFrame(noisy, 0, 1.0f - 5.0f * kDb);
    AddFrame(noisy, 0, 1.0f - 7.0f * kDb);
    EXPECT_EQ(ActiveFrames(noisy, kLayout), (std::vector<std::size_t>{20, 21}));
    // A quiet floor: the 25 dB range decides.
    EXPECT_EQ(ActiveFrames(features, kLayout), (std::vector<std::size_t>{0, 1, 4}));
}

// 200 loud frames whose statics move; every other one voiced at a pitch from `pitchOf`, in
// syllables of 20 frames with 5 unvoiced ones between them (breaks = false: no such pauses).
template <typename PitchOf>
FeatureMatrix Voice(PitchOf pitchOf, std::size_t voicedEvery = 2, bool breaks = true) {
    FeatureMatrix features;
    for (std::size_t t = 0; t < 200; ++t) {
        const bool voiced = t % voicedEvery == 0 && (!breaks || t % 25 < 20);
        const auto pitch = voiced ? static_cast<float>(pitchOf(t)) : 0.0f;
        AddFrame(features, static_cast<float>(std::sin(0.1 * static_cast<double>(t))), 1.0f, pitch);
    }
    return features;
}

TEST(VoiceCheck, WantsEnoughVoicedFramesWithAMovingPitch) {
    const auto intonation = [](std::size_t t) {
        return 120.0 * std::exp2(std::sin(0.05 * static_cast<double>(t)) / 6);
    };
    const auto flat = [](std::size_t) { return 120.0; };
    const auto almostFlat = [](std::size_t t) {
        return 120.0 * (1.0 + 0.001 * static_cast<double>(t % 3));
    };
    struct Case {
        const char* what;
        FeatureMatrix features;
        bool voice;
    } cases[] = {
        {"intonation", Voice(intonation), true},
        {"a constant pitch (tone, hum, chord)", Voice(flat), false},
        {"a pitch that jitters by a cent or two", Voice(almostFlat), false},
        {"too few voiced frames", Voice(intonation, 11), false},
        {"no pitch at all", Voice(intonation, 1000), false},
        {"voiced without a break for 1.6 s (a fan, a motor)", Voice(intonation, 1, false), false},
        {"voiced with breaks the tracker missed", Voice(intonation, 2, false), false},
    };
    for (Case& c : cases) {
        EXPECT_EQ(HasVoice({c.features}, kLayout), c.voice) << c.what;
    }
    FeatureMatrix unknownPitch = Voice(intonation);
    unknownPitch.pitch.clear();
    EXPECT_FALSE(HasVoice({unknownPitch}, kLayout));
}

TEST(UtteranceStatistics, PhraseInTimeOrderVoiceFromVoicedFramesOnly) {
    // Ten unvoiced active frames rising 0..9 with pauses between them, then voiced frames at
    // 100 and 200 Hz whose statics are 10 and 11.
    FeatureMatrix features;
    for (int i = 0; i < 10; ++i) {
        AddFrame(features, static_cast<float>(i), 1.0f);
        AddFrame(features, 99.0f, -50.0f);
    }
    AddFrame(features, 10.0f, 1.0f, 100.0f);
    AddFrame(features, 11.0f, 1.0f, 200.0f);
    features.cepstralMean.assign(14, 2.0f);
    const auto statistics = ComputeUtteranceStatistics({features}, kLayout);
    ASSERT_TRUE(statistics);
    ASSERT_EQ(statistics->phrase.size(), PhraseStatisticsSize(kLayout));
    ASSERT_EQ(statistics->voice.size(), VoiceStatisticsSize(kLayout));
    // Twelve active frames in ten segments: every segment's mean follows time.
    for (std::size_t s = 1; s < kPhraseSegments; ++s) {
        EXPECT_GE(statistics->phrase[s * 15], statistics->phrase[(s - 1) * 15]) << s;
    }
    EXPECT_DOUBLE_EQ(statistics->voice[0], 10.5);   // mean of c1
    EXPECT_DOUBLE_EQ(statistics->voice[14], 0.5);   // its deviation
    EXPECT_DOUBLE_EQ(statistics->voice[28], 12.5);  // before mean normalisation
    EXPECT_NEAR(statistics->voice[42], std::log(100.0 * std::sqrt(2.0)), 1e-12);
    EXPECT_NEAR(statistics->voice[43], std::log(2.0) / 2, 1e-12);

    features.pitch.assign(features.frames, 0.0f);
    EXPECT_FALSE(ComputeUtteranceStatistics({features}, kLayout));
}

TEST(ModelVector, ProjectsScalesAndReadsAlongFixedDirections) {
    ModelVectorParameters parameters;
    parameters.voice = {2, 1, {1.0, 0.0}, {1.0, 0.0}};  // y = x0 - 1
    parameters.phrase = {1, 1, {0.0}, {-2.0}};          // y = -2 x0
    parameters.phraseWeight = 0.5;
    parameters.directions.assign(kModelVectorSize * 2, 0.0);
    parameters.directions[0] = 1.0;  // position 0 reads the voice
    parameters.directions[3] = 1.0;  // position 1 reads the phrase
    parameters.level = 100.0;
    parameters.gain = 10.0;
    parameters.minimum = 95.0;
    parameters.maximum = 200.0;
    const UtteranceStatistics statistics{{3.0}, {5.0, 7.0}};
    // Each part keeps only its direction: length 1 for the voice, 0.5 for the phrase.
    EXPECT_EQ(Coordinates(statistics, parameters), (std::vector<double>{1.0, -0.5}));
    const std::vector<double> vector = ComputeModelVector(statistics, parameters);
    ASSERT_EQ(vector.size(), kModelVectorSize);
    EXPECT_DOUBLE_EQ(vector[0], 110.0);
    EXPECT_DOUBLE_EQ(vector[1], 95.0);  // 100 - 5, kept at the minimum
    EXPECT_DOUBLE_EQ(vector[2], 100.0);
}

TEST(ModelVector, ShippedParametersFitTheFeatures) {
    const ModelVectorParameters& shipped = ShippedModelVector();
    EXPECT_EQ(shipped.voice.inputs, VoiceStatisticsSize(kLayout));
    EXPECT_EQ(shipped.phrase.inputs, PhraseStatisticsSize(kLayout));
    EXPECT_EQ(shipped.directions.size(),
              kModelVectorSize * (shipped.voice.outputs + shipped.phrase.outputs));
    EXPECT_GT(shipped.minimum, 0.0);
    EXPECT_LT(shipped.minimum, shipped.level);
    EXPECT_LT(shipped.level, shipped.maximum);
}

}  // namespace
}  // namespace speech
