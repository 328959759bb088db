// The reuse of the last features computed: which recordings and settings count as the one
// remembered.
#include "feature_reuse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

namespace speech {
namespace {

TEST(FeatureReuse, OnlyTheSameSamplesAndSettingsGiveTheRememberedFeatures) {
    const std::string samples{'\x00', '\x80', '\x83', '\xff'};
    FeatureMatrix features(2, 3);
    features.values = {1, 2, 3, 4, 5, 6};
    features.pitch = {0.0f, 120.0f};
    features.cepstralMean = {0.5f, -0.5f, 0.25f};
    using Edit = std::function<void(std::string&, FrontEndOptions&)>;
    const struct {
        const char* label;
        Edit edit;
        bool reused;
    } cases[] = {
        {"the same", [](auto&, auto&) {}, true},
        {"first sample", [](auto& s, auto&) { s.front() = '\x01'; }, false},
        {"last sample", [](auto& s, auto&) { s.back() = '\xfe'; }, false},
        {"one sample more", [](auto& s, auto&) { s.push_back('\x80'); }, false},
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
        RememberComputedFeatures(samples, remembered, features);

        std::string asked = samples;
        FrontEndOptions options = remembered;
        c.edit(asked, options);
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
            // Still remembered for the next pass with the same content.
            EXPECT_TRUE(ReusableFeatures(samples, remembered)) << c.label;
        } else {
            // Let go of as soon as it did not match, before the new recording is computed.
            EXPECT_FALSE(ReusableFeatures(samples, remembered)) << c.label;
        }
    }
    ForgetComputedFeatures();
}

}  // namespace
}  // namespace speech
