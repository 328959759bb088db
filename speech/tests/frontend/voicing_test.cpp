// The pitch of each frame: voices have one that follows their fundamental, noise and tones
// have none, and the spectral floor makes a quiet recording look like a loud one.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include <vector>

#include "front_end.h"
#include "frontend_options.h"
#include "pitch_tracker.h"
#include "pure_tone.h"

namespace speech {
namespace {

constexpr double kRate = 11025.0;

// One second of a vowel-like sound: a pulse train at `hz` through two resonances (formants
// at 700 and 1200 Hz), so that many harmonics carry power, as in a voice.
std::vector<double> Vowel(double hz, double amplitude = 60.0) {
    std::vector<double> signal(static_cast<std::size_t>(kRate));
    double phase = 0.0;
    double y1[2] = {0, 0};
    double y2[2] = {0, 0};
    const auto resonator = [](double input, double(&y)[2], double centre) {
        const double r = 0.97;
        const double c = 2.0 * r * std::cos(2.0 * std::numbers::pi * centre / kRate);
        const double out = input + c * y[0] - r * r * y[1];
        y[1] = y[0];
        y[0] = out;
        return out;
    };
    for (double& sample : signal) {
        phase += hz / kRate;
        const double pulse = phase >= 1.0 ? 1.0 : 0.0;
        phase -= std::floor(phase);
        sample = resonator(resonator(pulse, y1, 700.0), y2, 1200.0);
    }
    double peak = 0.0;
    for (const double sample : signal) {
        peak = std::max(peak, std::abs(sample));
    }
    for (double& sample : signal) {
        sample = std::round(sample / peak * amplitude);
    }
    return signal;
}

// One second of sample(t), t in seconds, rounded to 8-bit steps.
std::vector<double> Generate(const std::function<double(double)>& sample) {
    std::vector<double> signal(static_cast<std::size_t>(kRate));
    for (std::size_t n = 0; n < signal.size(); ++n) {
        signal[n] = std::round(sample(static_cast<double>(n) / kRate));
    }
    return signal;
}

double Sine(double hz, double t) {
    return 80.0 * std::sin(2.0 * std::numbers::pi * hz * t);
}

// The median pitch of the frames that have one, and how many have one.
std::pair<double, std::size_t> MedianPitch(const std::vector<double>& signal) {
    const FeatureMatrix features = ComputeFeatures(signal, FrontEndOptions{});
    std::vector<float> voiced;
    for (const float pitch : features.pitch) {
        if (pitch > 0.0f) {
            voiced.push_back(pitch);
        }
    }
    if (voiced.empty()) {
        return {0.0, 0};
    }
    std::nth_element(voiced.begin(),
                     voiced.begin() + static_cast<std::ptrdiff_t>(voiced.size() / 2), voiced.end());
    return {voiced[voiced.size() / 2], voiced.size()};
}

TEST(Voicing, VoicesHaveTheirPitchNoiseAndTonesHaveNone) {
    std::mt19937 random(3);
    std::normal_distribution<double> gaussian(0.0, 30.0);
    double brown = 0.0;
    struct Case {
        const char* what;
        std::vector<double> signal;
        double pitch;  // 0: no frame may have one
    } cases[] = {
        {"a low voice", Vowel(85.0), 85.0},
        {"a middle voice", Vowel(140.0), 140.0},
        {"a high voice", Vowel(260.0), 260.0},
        {"a quiet voice, a few 8-bit steps", Vowel(140.0, 6.0), 140.0},
        {"white noise", Generate([&](double) { return gaussian(random); }), 0.0},
        {"brown noise",
         Generate([&](double) { return brown = 0.995 * brown + 0.1 * gaussian(random); }), 0.0},
        {"a pure tone in the pitch range", Generate([](double t) { return Sine(200, t); }), 0.0},
        {"a whistle", Generate([](double t) { return Sine(1500, t); }), 0.0},
    };
    for (const Case& c : cases) {
        const auto [pitch, frames] = MedianPitch(c.signal);
        if (c.pitch == 0.0) {
            EXPECT_EQ(frames, 0u) << c.what;
        } else {
            EXPECT_GT(frames, 100u) << c.what;
            EXPECT_NEAR(pitch, c.pitch, 0.01 * c.pitch) << c.what;
        }
    }
}

TEST(Voicing, PureToneIsPowerInThreeNeighbouringBins) {
    std::vector<double> power(129, 0.0);
    EXPECT_FALSE(IsPureTone(power)) << "no power at all";
    power[40] = 1.0;
    power[41] = 8.0;
    power[42] = 1.0;
    EXPECT_TRUE(IsPureTone(power));
    power[80] = 1.2;  // a second line: two tones, or a voice's harmonics
    EXPECT_FALSE(IsPureTone(power));
}

TEST(NoiseFloor, HidesWhatLiesBelowIt) {
    // The same voice over noise about 30 dB below it (after pre-emphasis), and 8 dB louder.
    std::mt19937 random(5);
    std::normal_distribution<double> gaussian;
    const std::vector<double> voice = Vowel(140.0, 100.0);
    std::vector<double> quietNoise(voice.size());
    std::vector<double> louderNoise(voice.size());
    for (std::size_t n = 0; n < voice.size(); ++n) {
        const double noise = gaussian(random);
        quietNoise[n] = voice[n] + 0.2 * noise;
        louderNoise[n] = voice[n] + 0.5 * noise;
    }
    const auto meanDifference = [&](double floorDb) {
        FrontEndOptions options;
        options.spectralFloorDb = floorDb;
        const FeatureMatrix a = ComputeFeatures(quietNoise, options);
        const FeatureMatrix b = ComputeFeatures(louderNoise, options);
        double sum = 0.0;
        for (std::size_t t = 0; t < a.frames; ++t) {
            for (std::size_t c = 0; c < 14; ++c) {
                sum += std::abs(static_cast<double>(a.At(t, c) - b.At(t, c)));
            }
        }
        return sum / static_cast<double>(a.frames * 14);
    };
    EXPECT_LT(meanDifference(22.0), 0.5 * meanDifference(0.0));
}

}  // namespace
}  // namespace speech
