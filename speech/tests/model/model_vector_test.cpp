#include "model_vector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "speech_frames.h"

namespace speech {
namespace {

constexpr std::size_t kFeatures = 45;
const FrameLayout kLayout = FrameLayout::ForFeatures(kFeatures);

// Frames whose statics are all `value` and whose energy is `energy`.
void AddFrame(FeatureMatrix& features, float value, float energy) {
    features.values.resize((features.frames + 1) * kFeatures, 0.0f);
    auto row = features.Row(features.frames++);
    for (std::size_t d = 0; d < kLayout.statics; ++d) {
        row[d] = value;
    }
    row[kLayout.energyIndex] = energy;
}

FeatureMatrix Empty() {
    FeatureMatrix features;
    features.dims = kFeatures;
    return features;
}

TEST(SpeechFrames, AreTheFramesWithin25DbOfTheLoudest) {
    FeatureMatrix features = Empty();
    const float range = static_cast<float>(25.0 * std::numbers::ln10 / 10.0);
    AddFrame(features, 0, 1.0f);
    AddFrame(features, 0, 1.0f - range * 0.99f);
    AddFrame(features, 0, 1.0f - range * 1.01f);
    AddFrame(features, 0, -40.0f);
    AddFrame(features, 0, 0.5f);
    EXPECT_EQ(SpeechFrames(features, kLayout), (std::vector<std::size_t>{0, 1, 4}));
    EXPECT_EQ(PauseFrames(features, kLayout), (std::vector<std::size_t>{2, 3}));
}

TEST(ModelVector, SegmentMeansInTimeOrderMappedToPositiveValues) {
    // Seven speech frames split 3 + 2 + 2, with pauses between them that must not count.
    FeatureMatrix features = Empty();
    const float values[] = {0, 1, 2, 10, 12, -20, -30};
    for (float value : values) {
        AddFrame(features, value, 1.0f);
        AddFrame(features, 99.0f, -50.0f);
    }
    const auto vector = ComputeModelVector({features}, kLayout, UniformLayout(3, 15));
    ASSERT_TRUE(vector);
    ASSERT_EQ(vector->size(), kModelVectorSize);
    const double expectedCepstra[] = {1.5 * (1.0 + 15), 1.5 * (11.0 + 15), 0.5};
    for (std::size_t segment = 0; segment < 3; ++segment) {
        for (std::size_t c = 0; c < 14; ++c) {
            EXPECT_DOUBLE_EQ((*vector)[segment * 15 + c], expectedCepstra[segment]);
        }
        EXPECT_DOUBLE_EQ((*vector)[segment * 15 + 14], 1.5 * (1.0 + 15));  // the energy
    }
}

TEST(ModelVector, SegmentsAccumulateOverRecordingsAndNeedAFrameEach) {
    FeatureMatrix first = Empty();
    FeatureMatrix second = Empty();
    for (int i = 0; i < 3; ++i) {
        AddFrame(first, 2.0f, 1.0f);
        AddFrame(second, 4.0f, 1.0f);
    }
    const auto both = ComputeModelVector({first, second}, kLayout, UniformLayout(3, 15));
    ASSERT_TRUE(both);
    EXPECT_DOUBLE_EQ((*both)[0], 1.5 * (3.0 + 15));

    FeatureMatrix two = Empty();
    AddFrame(two, 1.0f, 1.0f);
    AddFrame(two, 1.0f, 1.0f);
    EXPECT_FALSE(ComputeModelVector({two}, kLayout, UniformLayout(3, 15)));
    EXPECT_FALSE(ComputeModelVector({}, kLayout, UniformLayout(3, 15)));
}

}  // namespace
}  // namespace speech
