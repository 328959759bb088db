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

// A frame whose every column (statics, deltas, accelerations) is given, energy 1.
void AddColumns(FeatureMatrix& features, float statics, float deltas, float accelerations) {
    AddFrame(features, statics, 1.0f);
    auto row = features.Row(features.frames - 1);
    for (std::size_t d = 0; d < kLayout.statics; ++d) {
        row[kLayout.statics + d] = deltas;
        row[2 * kLayout.statics + d] = accelerations;
    }
}

ModelVectorLayout Picks(std::vector<SegmentPick> picks) {
    ModelVectorLayout layout;
    layout.picks = std::move(picks);
    return layout;
}

TEST(ModelVector, DeviationsOfStaticsDeltasAndAccelerationsPerSegment) {
    // Two segments of four frames: the first segment's statics are 1, 3, 1, 3 (deviation 1,
    // mean 2), the second's all 5 (deviation 0); deltas alternate -2, 2 (deviation 2) and
    // accelerations are 0, 0, 0, 8 in each segment (mean 2, deviation sqrt(12)).
    FeatureMatrix features = Empty();
    for (int segment = 0; segment < 2; ++segment) {
        for (int i = 0; i < 4; ++i) {
            const float statics = segment == 0 ? static_cast<float>(1 + 2 * (i % 2)) : 5.0f;
            AddColumns(features, statics, i % 2 == 0 ? -2.0f : 2.0f, i == 3 ? 8.0f : 0.0f);
        }
    }
    const auto values = SegmentStatistics({features}, kLayout,
                                          Picks({{2, 0, 3, Statistic::kMean, 0},
                                                 {2, 0, 3, Statistic::kDeviation, 0},
                                                 {2, 1, 3, Statistic::kDeviation, 0},
                                                 {2, 1, 0, Statistic::kDeviation, 1},
                                                 {2, 0, 13, Statistic::kMean, 2},
                                                 {2, 0, 13, Statistic::kDeviation, 2},
                                                 {1, 0, 3, Statistic::kDeviation, 0}}));
    ASSERT_TRUE(values);
    ASSERT_EQ(values->size(), 7u);
    EXPECT_DOUBLE_EQ((*values)[0], 2.0);
    EXPECT_NEAR((*values)[1], 1.0, 1e-12);
    EXPECT_NEAR((*values)[2], 0.0, 1e-12);
    EXPECT_NEAR((*values)[3], 2.0, 1e-12);
    EXPECT_DOUBLE_EQ((*values)[4], 2.0);
    EXPECT_NEAR((*values)[5], std::sqrt(12.0), 1e-12);
    // Over the whole recording: 1, 3, 1, 3, 5, 5, 5, 5 has mean 3.5 and variance 2.75.
    EXPECT_NEAR((*values)[6], std::sqrt(2.75), 1e-12);
}

TEST(ModelVector, RejectsPicksTheFramesDoNotHave) {
    FeatureMatrix features = Empty();
    for (int i = 0; i < 4; ++i) {
        AddColumns(features, 1.0f, 0.0f, 0.0f);
    }
    EXPECT_TRUE(SegmentStatistics({features}, kLayout, Picks({{1, 0, 14, Statistic::kMean, 2}})));
    EXPECT_FALSE(SegmentStatistics({features}, kLayout, Picks({{1, 0, 15, Statistic::kMean, 0}})));
    EXPECT_FALSE(
        SegmentStatistics({features}, kLayout, Picks({{1, 0, 0, Statistic::kDeviation, 3}})));
    EXPECT_FALSE(SegmentStatistics({features}, kLayout, Picks({{2, 2, 0, Statistic::kMean, 0}})));
    // Frames narrower than the layout (statics without their deltas and accelerations).
    const FeatureMatrix staticsOnly(4, kLayout.statics);
    EXPECT_FALSE(
        SegmentStatistics({staticsOnly}, kLayout, Picks({{1, 0, 0, Statistic::kMean, 0}})));
}

TEST(ModelVector, ShippedLayoutIsComplete) {
    const ModelVectorLayout& layout = ShippedModelVectorLayout();
    ASSERT_EQ(layout.picks.size(), kModelVectorSize);
    ASSERT_EQ(layout.center.size(), kModelVectorSize);
    ASSERT_EQ(layout.spread.size(), kModelVectorSize);
    for (std::size_t i = 0; i < kModelVectorSize; ++i) {
        const SegmentPick& pick = layout.picks[i];
        EXPECT_LT(pick.segment, pick.segments) << i;
        EXPECT_LT(pick.feature, kLayout.statics) << i;
        EXPECT_LE(pick.order, 2u) << i;
        EXPECT_GT(layout.spread[i], 0.0) << i;
        for (std::size_t j = 0; j < i; ++j) {
            const SegmentPick& other = layout.picks[j];
            EXPECT_FALSE(other.segments == pick.segments && other.segment == pick.segment &&
                         other.feature == pick.feature && other.statistic == pick.statistic &&
                         other.order == pick.order)
                << "positions " << j << " and " << i << " are the same";
        }
    }
    // A recording at every center maps every position to the level.
    EXPECT_EQ(MapStatistics(layout.center, layout),
              std::vector<double>(kModelVectorSize, layout.level));
}

}  // namespace
}  // namespace speech
