// The reuse of the last features computed: which samples are held exactly, and which
// recordings and settings count as the one remembered.
#include "feature_reuse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

namespace speech {
namespace {

TEST(FeatureReuse, OnlySamplesAByteGivesBackExactlyAreCompacted) {
    const struct {
        const char* label;
        double sample;
        bool held;
    } cases[] = {
        {"lowest", -128.0, true},
        {"highest", 127.0, true},
        {"zero", 0.0, true},
        {"negative zero", -0.0, false},
        {"fraction", 12.5, false},
        {"just below the lowest", -128.5, false},
        {"above the highest", 128.0, false},
        {"below the lowest", -129.0, false},
        {"not a number", std::numeric_limits<double>::quiet_NaN(), false},
    };
    for (const auto& c : cases) {
        const std::vector<double> samples{5.0, c.sample, -5.0};
        const auto compact = Compact(samples);
        ASSERT_EQ(compact.has_value(), c.held) << c.label;
        if (compact) {
            EXPECT_EQ(*compact, (CompactSamples{5, static_cast<std::int8_t>(c.sample), -5}))
                << c.label;
        }
    }
}

TEST(FeatureReuse, OnlyTheSameSamplesAndSettingsGiveTheRememberedFeatures) {
    const std::vector<double> samples{-128.0, 0.0, 3.0, 127.0};
    FeatureMatrix features(2, 3);
    features.values = {1, 2, 3, 4, 5, 6};
    features.pitch = {0.0f, 120.0f};
    features.cepstralMean = {0.5f, -0.5f, 0.25f};
    using Edit = std::function<void(std::vector<double>&, FrontEndOptions&)>;
    const struct {
        const char* label;
        Edit edit;
        bool reused;
    } cases[] = {
        {"the same", [](auto&, auto&) {}, true},
        {"first sample", [](auto& s, auto&) { s.front() += 1.0; }, false},
        {"last sample", [](auto& s, auto&) { s.back() -= 1.0; }, false},
        {"zero made negative", [](auto& s, auto&) { s[1] = -0.0; }, false},
        {"one sample more", [](auto& s, auto&) { s.push_back(0.0); }, false},
        {"one sample less", [](auto& s, auto&) { s.pop_back(); }, false},
        {"no samples", [](auto& s, auto&) { s.clear(); }, false},
        {"sample rate", [](auto&, auto& o) { o.sampleRate = 8000.0; }, false},
        {"zero mean", [](auto&, auto& o) { o.zeroMean = false; }, false},
        {"pre-emphasis", [](auto&, auto& o) { o.preEmphasis = 0.95; }, false},
        {"window type", [](auto&, auto& o) { o.windowType = "hanning"; }, false},
        {"window length", [](auto&, auto& o) { o.windowMs = 20.0; }, false},
        {"frame shift", [](auto&, auto& o) { o.shiftMs = 10.0; }, false},
        {"filters", [](auto&, auto& o) { o.numFilters = 24; }, false},
        {"cepstra", [](auto&, auto& o) { o.numCepstra = 12; }, false},
        {"lifter", [](auto&, auto& o) { o.lifter = 22.0; }, false},
        {"spectral floor", [](auto&, auto& o) { o.spectralFloorDb = 30.0; }, false},
        {"energy", [](auto&, auto& o) { o.energy = false; }, false},
        {"energy normalisation", [](auto&, auto& o) { o.energyNorm = false; }, false},
        {"mean normalisation", [](auto&, auto& o) { o.cms = false; }, false},
        {"deltas", [](auto&, auto& o) { o.delta = false; }, false},
        {"accelerations", [](auto&, auto& o) { o.acc = false; }, false},
        {"delta window", [](auto&, auto& o) { o.deltaWindow = 3; }, false},
        {"output mode", [](auto&, auto& o) { o.outputMode = "binary"; }, false},
        {"negative zero setting", [](auto&, auto& o) { o.spectralFloorDb = -0.0; },
         false},  // remembered with 0 below
    };
    for (const auto& c : cases) {
        FrontEndOptions remembered;
        remembered.spectralFloorDb = 0.0;
        ForgetComputedFeatures();
        RememberComputedFeatures(*Compact(samples), remembered, features);

        std::vector<double> asked = samples;
        FrontEndOptions options = remembered;
        c.edit(asked, options);
        const std::vector<double> before = asked;
        const std::size_t reusedBefore = ReusedFeatureCount();
        const auto reused = ReusableFeatures(asked, options);
        ASSERT_EQ(reused.has_value(), c.reused) << c.label;
        EXPECT_EQ(ReusedFeatureCount() - reusedBefore, c.reused ? 1u : 0u) << c.label;
        if (reused) {
            EXPECT_EQ(reused->frames, 2u);
            EXPECT_EQ(reused->dims, 3u);
            EXPECT_EQ(reused->values, features.values);
            EXPECT_EQ(reused->pitch, features.pitch);
            EXPECT_EQ(reused->cepstralMean, features.cepstralMean);
            EXPECT_TRUE(asked.empty()) << "taken, as computing would have";
            // Still remembered for the next pass with the same content.
            std::vector<double> again = samples;
            EXPECT_TRUE(ReusableFeatures(again, remembered)) << c.label;
        } else {
            EXPECT_EQ(asked.size(), before.size()) << c.label;
            // Let go of as soon as it did not match, before the new recording is computed.
            std::vector<double> original = samples;
            EXPECT_FALSE(ReusableFeatures(original, remembered)) << c.label;
        }
    }
    ForgetComputedFeatures();
}

}  // namespace
}  // namespace speech
