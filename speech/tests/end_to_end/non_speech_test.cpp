// Recordings without a voice through kelvo: noise, hum, tones, sweeps, clicks, silence and too
// little speech give no model vector, so they are never enrolled and never accepted.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <cmath>
#include <cstddef>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "kelvo/kelvo.h"
#include "temp_dir.h"

namespace {

constexpr int kRate = 11025;
constexpr int kSamples = 3 * kRate;
constexpr double kTwoPi = 2 * std::numbers::pi;

using Wave = std::vector<double>;  // samples, full scale +-1

Wave Make(const std::function<double(double seconds)>& sample) {
    Wave wave(kSamples);
    for (int n = 0; n < kSamples; ++n) {
        wave[n] = sample(static_cast<double>(n) / kRate);
    }
    return wave;
}

// The wave scaled to the given peak, in dB below full scale.
Wave Peak(Wave wave, double dbfs) {
    double peak = 0;
    for (double x : wave) {
        peak = std::max(peak, std::abs(x));
    }
    for (double& x : wave) {
        x *= peak > 0 ? std::pow(10, dbfs / 20) / peak : 0;
    }
    return wave;
}

Wave Sum(Wave a, const Wave& b) {
    for (std::size_t n = 0; n < a.size(); ++n) {
        a[n] += b[n];
    }
    return a;
}

// White noise, or white noise filtered to pink (-3 dB per octave) or brown (-6 dB per octave).
enum class Colour { kWhite, kPink, kBrown };
Wave Noise(Colour colour, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> white(-1, 1);
    double b0 = 0, b1 = 0, b2 = 0;
    return Make([&](double) {
        const double w = white(rng);
        switch (colour) {
            case Colour::kWhite:
                return w;
            case Colour::kPink:
                b0 = 0.99765 * b0 + 0.0990460 * w;
                b1 = 0.96300 * b1 + 0.2965164 * w;
                b2 = 0.57000 * b2 + 1.0526913 * w;
                return b0 + b1 + b2 + 0.1848 * w;
            case Colour::kBrown:
                return b0 = 0.998 * b0 + w;
        }
        return 0.0;
    });
}

// Sines at the given frequencies, each with `harmonics` partials falling off as 1/k.
Wave Tones(std::vector<double> hz, int harmonics = 1) {
    return Make([=](double t) {
        double x = 0;
        for (double f : hz) {
            for (int k = 1; k <= harmonics; ++k) {
                x += std::sin(kTwoPi * k * f * t) / k;
            }
        }
        return x;
    });
}

// A machine's hum: harmonics of a base frequency that wanders slowly by `wander` (a fraction)
// as a fan or motor changes speed, over `noise` times white noise.
Wave Machine(double hz, double wander, int harmonics, double noise, unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> white;
    double phase = 0;
    return Make([=, &rng, &white](double t) mutable {
        const double f = hz * (1 + wander * std::sin(kTwoPi * 0.4 * t) +
                               wander / 3 * std::sin(kTwoPi * 1.3 * t));
        phase += kTwoPi * f / kRate;
        double x = 0;
        for (int k = 1; k <= harmonics; ++k) {
            x += std::sin(k * phase) / k;
        }
        return x + noise * white(rng);
    });
}

// Single-sample clicks: every `period` samples, or (period 0) at random about 20 a second
// with random signs.
Wave Clicks(int period, unsigned seed = 0) {
    std::mt19937 rng(seed);
    int n = 0;
    return Make([&](double) {
        const int at = n++;
        if (period > 0) {
            return at % period == 0 ? 1.0 : 0.0;
        }
        return rng() % (kRate / 20) == 0 ? (rng() % 2 ? 1.0 : -1.0) : 0.0;
    });
}

// 8-bit unsigned samples, 128 the zero level.
std::string Bytes(const Wave& wave) {
    std::string bytes;
    for (double x : wave) {
        bytes += static_cast<char>(std::clamp(128 + std::lround(127 * x), 0L, 255L));
    }
    return bytes;
}

// The first 0.35 s of a recording's speech, from its first 10 ms frame within 20 dB of its
// loudest, after 0.5 s of silence and padded with silence to 3 s: too little to enrol.
std::string SpeechUnderTheMinimum(const std::string& recording) {
    constexpr std::size_t kFrame = kRate / 100;
    std::vector<double> energy;
    for (std::size_t start = 0; start + kFrame <= recording.size(); start += kFrame) {
        double sum = 0;
        for (std::size_t n = start; n < start + kFrame; ++n) {
            const double x = static_cast<unsigned char>(recording[n]) - 128.0;
            sum += x * x;
        }
        energy.push_back(sum);
    }
    const double loudest = std::accumulate(energy.begin(), energy.end(), 0.0,
                                           [](double a, double b) { return std::max(a, b); });
    const auto onset =
        std::find_if(energy.begin(), energy.end(), [&](double e) { return e >= loudest / 100; });
    std::string bytes(kRate / 2, static_cast<char>(128));
    bytes += recording.substr((onset - energy.begin()) * kFrame, kRate * 35 / 100);
    bytes.resize(kSamples, static_cast<char>(128));
    return bytes;
}

std::vector<std::pair<std::string, std::string>> Signals(const std::string& speech) {
    std::vector<std::pair<std::string, std::string>> signals;
    unsigned seed = 1;
    for (const auto& [colour, name] :
         {std::pair{Colour::kWhite, "white"}, std::pair{Colour::kPink, "pink"},
          std::pair{Colour::kBrown, "brown"}}) {
        for (int dbfs : {0, -12, -24, -36}) {
            signals.emplace_back(name + std::string(" noise ") + std::to_string(dbfs) + " dBFS",
                                 Bytes(Peak(Noise(colour, seed++), dbfs)));
        }
    }
    std::mt19937 dither_rng(seed++);
    signals.emplace_back(
        "dither +-1 LSB",
        Bytes(Make([&](double) { return (static_cast<int>(dither_rng() % 3) - 1) / 127.0; })));
    const std::vector<std::pair<std::string, std::function<Wave()>>> shaped = {
        {"hum 50 Hz", [] { return Tones({50}, 7); }},
        {"hum 60 Hz", [] { return Tones({60}, 7); }},
        {"tone 100 Hz", [] { return Tones({100}); }},
        {"tone 440 Hz", [] { return Tones({440}); }},
        {"tone 1000 Hz", [] { return Tones({1000}); }},
        {"tone 3000 Hz", [] { return Tones({3000}); }},
        {"two tones 697 + 1209 Hz",
         [] {
             return Tones({697, 1209});
         }},
        {"chord C E G with harmonics",
         [] {
             return Tones({261.63, 329.63, 392.0}, 4);
         }},
        {"linear sweep 100 Hz to 5 kHz",
         [] {
             return Make([](double t) { return std::sin(kTwoPi * (100 * t + 4900 * t * t / 6)); });
         }},
        {"log sweep 100 Hz to 5 kHz",
         [] {
             const double k = std::log(50.0) / 3;  // the frequency grows by e^k per second
             return Make([=](double t) { return std::sin(kTwoPi * 100 * std::expm1(k * t) / k); });
         }},
        {"clicks 10/s", [] { return Clicks(kRate / 10); }},
        {"clicks 100/s", [] { return Clicks(kRate / 100); }},
        {"random clicks", [] { return Clicks(0, 22); }},
        {"noise modulated at 4 Hz",
         [] {
             const Wave noise = Noise(Colour::kWhite, 20);
             Wave envelope = Make([](double t) { return 0.5 - 0.5 * std::cos(kTwoPi * 4 * t); });
             for (std::size_t n = 0; n < envelope.size(); ++n) {
                 envelope[n] *= noise[n];
             }
             return envelope;
         }},
        {"fan: pink noise and 120 Hz hum",
         [] { return Sum(Peak(Noise(Colour::kPink, 21), -8), Peak(Tones({120}, 3), -18)); }},
        {"fan blades: 140 Hz wandering by 3 %", [] { return Machine(140, 0.03, 5, 0, 23); }},
        {"motor whine: 220 Hz wandering by 5 %, hiss",
         [] { return Machine(220, 0.05, 7, 0.2, 24); }},
        {"air conditioner: 100 Hz wandering by 2 %, brown noise",
         [] {
             return Sum(Peak(Machine(100, 0.02, 9, 0, 25), -8),
                        Peak(Noise(Colour::kBrown, 26), -12));
         }},
    };
    for (const auto& [name, make] : shaped) {
        signals.emplace_back(name, Bytes(Peak(make(), -6)));
    }
    signals.emplace_back("digital silence", std::string(kSamples, static_cast<char>(128)));
    signals.emplace_back("0.35 s of speech", SpeechUnderTheMinimum(speech));
    return signals;
}

class NonSpeech : public test_support::InTempDir {};

TEST_F(NonSpeech, IsNeverEnrolledAndAlwaysScoresZero) {
    const std::string data = std::string(SPEECH_TEST_DATA) + "/";
    const std::string speech = ReadFile(data + "real16_1234_4.raw");
    WriteFile("1.raw", speech);
    WriteFile("2.raw", speech);
    ASSERT_EQ(TrainSpeaker("Demo", 1), KELVO_TRAIN_OK);
    ASSERT_EQ(TrainSpeaker("Demo", 2), KELVO_TRAIN_OK);
    WriteFile("3.raw", ReadFile(data + "real16_1234_5.raw"));
    ASSERT_GT(EvalSpeaker("Demo", 3), 0.0);  // the enrolment accepts its speaker
    const std::string profile = ReadFile("kelvo.cfg");

    for (const auto& [name, bytes] : Signals(speech)) {
        SCOPED_TRACE(name);
        WriteFile("3.raw", bytes);
        EXPECT_EQ(EvalSpeaker("Demo", 3), 0.0);
        EXPECT_EQ(TrainSpeaker("Demo", 3), KELVO_TRAIN_NO_MODEL_VECTOR);
        EXPECT_EQ(ReadFile("kelvo.cfg"), profile);
        WriteFile("kelvo.cfg", profile);  // so that a wrong enrolment cannot change later cases
    }
}

}  // namespace
