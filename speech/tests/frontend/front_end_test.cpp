// Properties of the front end's stages and of the whole chain that hold whatever the exact
// numbers (those are checked against the numpy reference in golden_test.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "deltas.h"
#include "energy.h"
#include "front_end.h"
#include "frontend_options.h"
#include "mel_filterbank.h"
#include "speech/speech.h"
#include "test_support.h"

namespace speech {
namespace {

using test::TestRecording;
using test::ToSamples;

double ColumnMean(const FeatureMatrix& features, std::size_t column) {
    double sum = 0.0;
    for (std::size_t t = 0; t < features.frames; ++t) {
        sum += features.At(t, column);
    }
    return sum / static_cast<double>(features.frames);
}

TEST(FrontendGeometry, PipelineSettingsGiveTheExpectedSizes) {
    const FrontEndOptions options;
    const FrameGeometry geometry = ComputeFrameGeometry(options);
    EXPECT_EQ(geometry.window, 176u);  // 16 ms at 11025/s, rounded
    EXPECT_EQ(geometry.shift, 88u);
    EXPECT_EQ(geometry.fftSize, 256u);
    EXPECT_EQ(StaticDims(options), 15u);
    EXPECT_EQ(FeatureDims(options), 45u);
    EXPECT_EQ(ValidateFrontEndOptions(options), SPEECH_OK);
}

TEST(FrontendGeometry, FramesAreTakenOnlyWhereTheWholeWindowFits) {
    const FrontEndOptions options;
    const std::string recording = TestRecording(176 + 88 + 1);
    const std::vector<double> all = ToSamples(recording);
    struct Case {
        std::size_t samples;
        std::size_t frames;
    };
    for (const Case c :
         {Case{0, 0}, Case{175, 0}, Case{176, 1}, Case{263, 1}, Case{264, 2}, Case{265, 2}}) {
        const FeatureMatrix features =
            ComputeFeatures(std::span<const double>(all).first(c.samples), options);
        EXPECT_EQ(features.frames, c.frames) << c.samples << " samples";
        EXPECT_EQ(features.dims, 45u) << c.samples << " samples";
        EXPECT_EQ(features.values.size(), c.frames * 45u);
    }
}

TEST(FrontendGeometry, InvalidOptionsGiveAnEmptyMatrix) {
    FrontEndOptions options;
    options.numCepstra = 22;
    const FeatureMatrix features = ComputeFeatures(ToSamples(TestRecording(2000)), options);
    EXPECT_EQ(features.frames, 0u);
    EXPECT_EQ(features.dims, 0u);
}

TEST(FrontendStages, MelFiltersAreTrianglesThatOverlapByHalf) {
    const MelFilterbank bank(22, 256, 11025.0);
    ASSERT_EQ(bank.Filters(), 22u);
    EXPECT_FALSE(bank.HasEmptyFilter());
    for (std::size_t m = 0; m < bank.Filters(); ++m) {
        const auto weights = bank.Weights(m);
        EXPECT_GT(bank.FirstBin(m), 0u);                     // never the DC bin
        EXPECT_LT(bank.FirstBin(m) + weights.size(), 129u);  // never the Nyquist bin
        for (const double w : weights) {
            EXPECT_GT(w, 0.0);
            EXPECT_LE(w, 1.0);
        }
        if (m + 1 < bank.Filters()) {
            // Between two centres a bin's rising and falling weights add up to 1.
            const std::size_t bin = bank.FirstBin(m + 1);
            const double falling = bank.Weights(m)[bin - bank.FirstBin(m)];
            EXPECT_NEAR(falling + bank.Weights(m + 1)[0], 1.0, 1e-9) << "filter " << m;
        }
    }
    // Too many filters for the resolution leave some without a bin.
    EXPECT_TRUE(MelFilterbank(120, 256, 11025.0).HasEmptyFilter());
}

TEST(FrontendStages, DeltasOfARampAreConstantAndAccelerationsZero) {
    constexpr std::size_t kFrames = 20;
    constexpr std::size_t kWindow = 2;
    std::vector<double> values(kFrames * 3, 0.0);
    const FeatureTable table{values, kFrames, 3};
    for (std::size_t t = 0; t < kFrames; ++t) {
        table.At(t, 0) = 3.0 * static_cast<double>(t) - 7.0;
    }
    ComputeDeltas(table, 0, 1, 1, kWindow);
    ComputeDeltas(table, 1, 2, 1, kWindow);
    for (std::size_t t = kWindow; t + kWindow < kFrames; ++t) {
        EXPECT_NEAR(table.At(t, 1), 3.0, 1e-12) << "frame " << t;
    }
    for (std::size_t t = 2 * kWindow; t + 2 * kWindow < kFrames; ++t) {
        EXPECT_NEAR(table.At(t, 2), 0.0, 1e-12) << "frame " << t;
    }
    // At the edges the repeated frame flattens the slope: (1 * 3 + 2 * 6) / 10 at frame 0.
    EXPECT_NEAR(table.At(0, 1), 1.5, 1e-12);
    EXPECT_NEAR(table.At(kFrames - 1, 1), 1.5, 1e-12);
}

// A recording with loud speech-like parts and a stretch of digital silence in the middle.
std::vector<double> LoudAndSilent() {
    std::vector<double> samples = ToSamples(TestRecording(6000));
    std::fill(samples.begin() + 2000, samples.begin() + 4000, 0.0);
    return samples;
}

TEST(FrontendChain, CepstralMeansAreZeroButNotTheEnergy) {
    FrontEndOptions options;
    options.energyNorm = false;
    const FeatureMatrix features = ComputeFeatures(LoudAndSilent(), options);
    ASSERT_GT(features.frames, 10u);
    for (std::size_t column = 0; column < 14; ++column) {
        EXPECT_NEAR(ColumnMean(features, column), 0.0, 1e-5) << "c" << column + 1;
    }
    EXPECT_GT(std::abs(ColumnMean(features, 14)), 1.0);
}

TEST(FrontendChain, NormalisedEnergyPeaksAtOneAndStopsAtTheSilenceFloor) {
    const FeatureMatrix features = ComputeFeatures(LoudAndSilent(), FrontEndOptions{});
    float highest = -1e30f;
    float lowest = 1e30f;
    for (std::size_t t = 0; t < features.frames; ++t) {
        highest = std::max(highest, features.At(t, 14));
        lowest = std::min(lowest, features.At(t, 14));
    }
    EXPECT_EQ(highest, 1.0f);
    // The silent frames are far below 50 dB under the loudest, so they sit on the floor.
    EXPECT_FLOAT_EQ(lowest, static_cast<float>(1.0 - kSilenceFloorLog));
    EXPECT_NEAR(kSilenceFloorLog, 11.512925, 1e-6);
}

TEST(FrontendChain, SilenceGivesFiniteValues) {
    const std::vector<double> silence(3000, 0.0);
    FrontEndOptions options;
    options.cms = options.energyNorm = false;
    const FeatureMatrix features = ComputeFeatures(silence, options);
    ASSERT_GT(features.frames, 0u);
    for (const float value : features.values) {
        ASSERT_TRUE(std::isfinite(value));
    }
    EXPECT_NEAR(features.At(0, 14), std::log(1e-10), 1e-4);  // the energy floor
}

TEST(FrontendChain, ZeroMeanMakesTheResultIndependentOfAnOffset) {
    const std::vector<double> samples = ToSamples(TestRecording(3000));
    std::vector<double> shifted = samples;
    for (double& s : shifted) {
        s += 40.0;
    }
    const FeatureMatrix a = ComputeFeatures(samples, FrontEndOptions{});
    const FeatureMatrix b = ComputeFeatures(shifted, FrontEndOptions{});
    ASSERT_EQ(a.values.size(), b.values.size());
    for (std::size_t i = 0; i < a.values.size(); ++i) {
        ASSERT_NEAR(a.values[i], b.values[i], 1e-3) << "value " << i;
    }
}

TEST(FrontendChain, RepeatedRunsGiveIdenticalResults) {
    const std::vector<double> first = ToSamples(TestRecording(5000, 11025.0, 1));
    const std::vector<double> second = ToSamples(TestRecording(3100, 11025.0, 2));
    FrontEnd frontEnd{FrontEndOptions{}};
    const FeatureMatrix once = frontEnd.Compute(first);
    frontEnd.Compute(second);  // working buffers of another length in between
    const FeatureMatrix again = frontEnd.Compute(first);
    const FeatureMatrix fresh = ComputeFeatures(first, FrontEndOptions{});
    EXPECT_EQ(once.values, again.values);
    EXPECT_EQ(once.values, fresh.values);
}

}  // namespace
}  // namespace speech
