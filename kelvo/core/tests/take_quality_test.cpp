// The take's measures on signals whose answer is known, and the problem each one has.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <string>

#include "kelvo/core/take_quality.h"

namespace kelvo {
namespace {

constexpr double kRate = 11025.0;

// `seconds` of 8-bit samples: a syllable-like 200 Hz tone of `amplitude` (of full scale)
// switched on for 0.2 s in every 0.3 s over `speech` seconds from 0.5 s, over white noise of
// `noise`, hard-limited to the 8-bit range.
std::string Take(double seconds, double speech, double amplitude, double noise) {
    std::mt19937 random(7);
    std::normal_distribution<double> gauss(0.0, 1.0);
    std::string samples;
    for (int i = 0; i < static_cast<int>(seconds * kRate); ++i) {
        const double t = i / kRate;
        const bool on = t >= 0.5 && t < 0.5 + speech && std::fmod(t - 0.5, 0.3) < 0.2;
        const double x = (on ? amplitude * std::sin(2 * std::numbers::pi * 200 * t) : 0.0) +
                         noise * gauss(random);
        samples += static_cast<char>(
            static_cast<unsigned char>(std::clamp(std::round(128 + 128 * x), 0.0, 255.0)));
    }
    return samples;
}

TEST(TakeQuality, EachPoorTakeIsNamedForItsWorstProblem) {
    const struct {
        const char* name;
        std::string samples;
        TakeProblem problem;
    } cases[] = {
        {"a good take", Take(3, 1.8, 0.3, 0.002), TakeProblem::kNone},
        {"silence", std::string(33075, '\x80'), TakeProblem::kSilent},
        {"nothing at all", "", TakeProblem::kSilent},
        {"a quarter second", Take(3, 0.25, 0.3, 0.002), TakeProblem::kTooShort},
        {"whispered", Take(3, 1.8, 0.012, 0.0005), TakeProblem::kTooQuiet},
        {"overdriven", Take(3, 1.8, 3.0, 0.002), TakeProblem::kClipped},
        {"in a crowd", Take(3, 1.8, 0.3, 0.08), TakeProblem::kNoisy},
    };
    for (const auto& c : cases) {
        const TakeQuality quality = MeasureTake(c.samples);
        EXPECT_EQ(ProblemOf(quality), c.problem) << c.name;
        EXPECT_EQ(Advice(ProblemOf(quality), quality).empty(), c.problem == TakeProblem::kNone)
            << c.name;
    }
}

TEST(TakeQuality, MeasuresLengthSpeechAndLevel) {
    const TakeQuality quality = MeasureTake(Take(3, 1.8, 0.5, 0.0));
    EXPECT_DOUBLE_EQ(quality.seconds, 3.0);
    EXPECT_NEAR(quality.speechSeconds, 1.2, 0.1);  // six syllables of 0.2 s, and edge frames
    EXPECT_NEAR(quality.loudestDb, 20 * std::log10(0.5 / std::sqrt(2.0)), 0.5);
    EXPECT_EQ(quality.clippedSamples, 0);
}

}  // namespace
}  // namespace kelvo
