// The pitch tracker against the difference function summed directly, stretch by stretch: on
// the committed recordings and on generated sounds, with every frame, some frames and odd frame
// geometries, it finds the same frames voiced and the same pitch to within rounding. And the
// front end tracks every frame the model can count as voiced.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "direct_pitch.h"
#include "frame_power.h"
#include "front_end.h"
#include "frontend_options.h"
#include "pitch_tracker.h"
#include "pure_tone.h"
#include "recording.h"
#include "sample_source.h"
#include "speech/speech.h"
#include "speech_frames.h"
#include "window_function.h"
#include "zero_mean.h"

namespace speech {
namespace {

constexpr double kRate = 11025.0;
// Only the order of the additions differs from the direct sum.
constexpr double kRelativeTolerance = 1e-9;

std::vector<double> Recording(const std::string& name) {
    std::vector<double> samples;
    EXPECT_EQ(ReadRecording(std::string(SPEECH_TEST_DATA) + "/" + name, kRate, samples), SPEECH_OK)
        << name;
    RemoveMean(samples);
    return samples;
}

// A voice-like sound whose pitch glides from `fromHz` to `toHz`: a pulse train through one
// resonance, rounded to 8-bit steps.
std::vector<double> Glide(double fromHz, double toHz, double seconds) {
    std::vector<double> signal(static_cast<std::size_t>(seconds * kRate));
    double phase = 0.0;
    double y[2] = {0.0, 0.0};
    const double c = 2.0 * 0.97 * std::cos(2.0 * std::numbers::pi * 800.0 / kRate);
    for (std::size_t n = 0; n < signal.size(); ++n) {
        const double hz =
            fromHz + (toHz - fromHz) * static_cast<double>(n) / static_cast<double>(signal.size());
        phase += hz / kRate;
        const double pulse = phase >= 1.0 ? 40.0 : 0.0;
        phase -= std::floor(phase);
        const double out = pulse + c * y[0] - 0.97 * 0.97 * y[1];
        y[1] = y[0];
        y[0] = out;
        signal[n] = std::round(std::clamp(out, -128.0, 127.0));
    }
    return signal;
}

std::vector<double> Noise(double seconds, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> gaussian(0.0, 25.0);
    std::vector<double> signal(static_cast<std::size_t>(seconds * kRate));
    for (double& sample : signal) {
        sample = std::round(gaussian(random));
    }
    return signal;
}

TEST(PitchTracker, FindsWhatTheDirectSumFindsOnEveryTrackedFrame) {
    struct Case {
        std::string what;
        std::vector<double> signal;
        std::size_t firstCentre;
        std::size_t shift;
        std::size_t everyNth;  // frames tracked: every n-th
    };
    const std::vector<Case> cases = {
        {"voiceA_pass_1", Recording("voiceA_pass_1.raw"), 88, 88, 1},
        {"voiceB_pass_2", Recording("voiceB_pass_2.raw"), 88, 88, 1},
        {"real16_1234_4", Recording("real16_1234_4.raw"), 88, 88, 1},
        {"real21_5678_1", Recording("real21_5678_1.raw"), 88, 88, 1},
        {"silence", Recording("silence.raw"), 88, 88, 1},
        {"some frames only", Recording("voiceA_other_1.raw"), 88, 88, 3},
        {"a low glide", Glide(65.0, 140.0, 1.0), 88, 88, 1},
        {"a high glide", Glide(180.0, 410.0, 1.0), 88, 88, 1},
        {"noise", Noise(0.5, 4), 88, 88, 1},
        {"a shift that divides nothing", Glide(100.0, 200.0, 0.5), 50, 97, 1},
        {"a shift longer than a stretch", Glide(100.0, 200.0, 1.0), 300, 600, 1},
        {"a one-sample shift", Glide(120.0, 125.0, 0.05), 20, 1, 1},
        {"shorter than one stretch", Glide(150.0, 150.0, 0.02), 88, 88, 1},
    };
    for (const Case& c : cases) {
        const std::size_t frames = c.signal.size() / c.shift + 2;  // some beyond the end too
        std::vector<char> wanted(frames, 0);
        for (std::size_t t = 0; t < frames; t += c.everyNth) {
            wanted[t] = 1;
        }
        std::vector<float> pitch(frames, -1.0f);
        PitchTracker(kRate).Track(NumberSamples(c.signal), c.firstCentre, c.shift, wanted, pitch);
        test::DirectPitch direct(kRate);
        std::size_t voiced = 0;
        for (std::size_t t = 0; t < frames; ++t) {
            const double expected =
                wanted[t] ? direct.PitchAt(c.signal, c.firstCentre + t * c.shift) : 0.0;
            ASSERT_EQ(pitch[t] > 0.0f, expected > 0.0) << c.what << ", frame " << t;
            EXPECT_NEAR(pitch[t], expected, kRelativeTolerance * expected + 1e-4)
                << c.what << ", frame " << t;
            voiced += expected > 0.0 ? 1 : 0;
        }
        if (c.what == "noise" || c.what == "silence") {
            EXPECT_EQ(voiced, 0u) << c.what;
        } else if (c.what.find("glide") != std::string::npos) {
            EXPECT_GT(voiced, frames / 2) << c.what;
        }
    }
}

// Whether frame t of the zero-mean signal is a pure tone, which has no pitch: its spectrum
// pre-emphasised and windowed as the front end takes it.
bool IsToneFrame(const std::vector<double>& signal, std::size_t t) {
    const std::vector<double> window = MakeWindow(WindowType::kHamming, 176);
    std::vector<double> frame(176);
    for (std::size_t n = 0; n < frame.size(); ++n) {
        const std::size_t at = t * 88 + n;
        frame[n] = (signal[at] - 0.97 * signal[at > 0 ? at - 1 : 0]) * window[n];
    }
    PowerSpectrum spectrum(256);
    std::vector<double> power(spectrum.Bins());
    spectrum.Compute(frame, power);
    return IsPureTone(power);
}

TEST(PitchTracker, TheFrontEndTracksEveryFrameTheModelCanCountAsVoiced) {
    const FrontEndOptions options;
    const FrameLayout layout = FrameLayout::ForFeatures(FeatureDims(options));
    for (const char* name : {"voiceA_pass_1.raw", "real16_1234_5.raw", "voiceB_pass_1.raw"}) {
        std::vector<double> samples;
        ASSERT_EQ(ReadRecording(std::string(SPEECH_TEST_DATA) + "/" + name, kRate, samples),
                  SPEECH_OK);
        const FeatureMatrix features = ComputeFeatures(samples, options);
        RemoveMean(samples);
        test::DirectPitch direct(kRate);
        const std::vector<std::size_t> speech = SpeechFrames(features, layout);
        ASSERT_GT(speech.size(), 100u) << name;
        std::size_t voiced = 0;
        for (const std::size_t t : speech) {
            const double expected =
                IsToneFrame(samples, t) ? 0.0 : direct.PitchAt(samples, t * 88 + 88);
            ASSERT_EQ(features.pitch[t] > 0.0f, expected > 0.0) << name << ", frame " << t;
            EXPECT_NEAR(features.pitch[t], expected, kRelativeTolerance * expected + 1e-4)
                << name << ", frame " << t;
            voiced += expected > 0.0 ? 1 : 0;
        }
        EXPECT_GT(voiced, speech.size() / 3) << name;
    }
}

}  // namespace
}  // namespace speech

namespace speech {
namespace {

// A recording's features from its undecoded bytes are those of the decoded samples, number
// for number, whatever the settings that touch the signal.
TEST(SampleSources, BytesGiveExactlyTheFeaturesOfTheDecodedSamples) {
    struct Case {
        const char* recording;
        bool zeroMean;
        double preEmphasis;
    };
    const Case cases[] = {
        {"voiceA_pass_1.raw", true, 0.97}, {"real21_1234_4.raw", true, 0.97},
        {"silence.raw", true, 0.97},       {"voiceB_pass_2.raw", false, 0.97},
        {"voiceA_other_1.raw", true, 0.0},
    };
    for (const Case& c : cases) {
        const std::string path = std::string(SPEECH_TEST_DATA) + "/" + c.recording;
        std::string bytes;
        ASSERT_EQ(ReadRecordingBytes(path, kRate, bytes), SPEECH_OK);
        std::vector<double> samples;
        ASSERT_EQ(ReadRecording(path, kRate, samples), SPEECH_OK);
        FrontEndOptions options;
        options.zeroMean = c.zeroMean;
        options.preEmphasis = c.preEmphasis;
        FrontEnd frontEnd(options);
        const FeatureMatrix fromBytes = frontEnd.ComputeFromBytes(bytes);
        const FeatureMatrix decoded = frontEnd.Compute(samples);
        EXPECT_EQ(fromBytes.values, decoded.values) << c.recording;
        EXPECT_EQ(fromBytes.pitch, decoded.pitch) << c.recording;
        EXPECT_EQ(fromBytes.cepstralMean, decoded.cepstralMean) << c.recording;
        EXPECT_GT(fromBytes.frames, 100u) << c.recording;
    }
}

}  // namespace
}  // namespace speech
