#include "kelvo/core/take_quality.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "kelvo/core/feature_pipeline.h"
#include "kelvo/core/number_text.h"
#include "kelvo/core/text_file.h"

namespace kelvo {
namespace {

constexpr double kRate = 11025.0;
constexpr std::size_t kFrame = 110;  // 10 ms
constexpr double kFloorDb = -120.0;

// Limits of a usable take. The 8-bit format's own noise lies near -50 dBFS; the speech
// pipeline needs about half a second of voice; clipping of more than a few hundredths of
// the speech, or a background within 15 dB of the speech, spoils the voice's numbers.
constexpr double kSilentDb = -45.0;
constexpr double kQuietDb = -36.0;
constexpr double kMinSpeechSeconds = 0.5;
constexpr double kMaxClippedShare = 0.002;
constexpr double kMinBackgroundGapDb = 15.0;
constexpr double kSpeechRangeDb = 30.0;
constexpr double kSpeechFloorDb = -50.0;

double FrameDb(std::string_view frame) {
    double sum = 0.0;
    for (const char c : frame) {
        const double x = (static_cast<unsigned char>(c) - 128.0) / 128.0;
        sum += x * x;
    }
    const double rms = std::sqrt(sum / static_cast<double>(frame.size()));
    return rms > 0.0 ? std::max(20.0 * std::log10(rms), kFloorDb) : kFloorDb;
}

// The samples of a recording file: after the "data" chunk's header of a RIFF file.
std::string_view SamplesOf(std::string_view file) {
    if (!file.starts_with("RIFF")) {
        return file;
    }
    const std::size_t data = file.find("data", 12);
    return data == std::string_view::npos || data + 8 > file.size() ? std::string_view()
                                                                    : file.substr(data + 8);
}

std::string Decibels(double db) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f dBFS", db);
    return text;
}

}  // namespace

TakeQuality MeasureTake(std::string_view samples) {
    TakeQuality quality;
    quality.seconds = static_cast<double>(samples.size()) / kRate;
    quality.clippedSamples = std::count_if(samples.begin(), samples.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u == 0 || u == 255;
    });
    std::vector<double> frames;
    for (std::size_t start = 0; start + kFrame <= samples.size(); start += kFrame) {
        frames.push_back(FrameDb(samples.substr(start, kFrame)));
    }
    if (frames.empty()) {
        return quality;
    }
    quality.loudestDb = *std::max_element(frames.begin(), frames.end());
    const double speechFloor = std::max(quality.loudestDb - kSpeechRangeDb, kSpeechFloorDb);
    const auto speechFrames = std::count_if(frames.begin(), frames.end(),
                                            [speechFloor](double db) { return db > speechFloor; });
    quality.speechSeconds = static_cast<double>(speechFrames) * static_cast<double>(kFrame) / kRate;
    std::vector<double> sorted = frames;
    const auto fifth = sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 5);
    std::nth_element(sorted.begin(), fifth, sorted.end());
    quality.backgroundDb = *fifth;
    return quality;
}

std::optional<TakeQuality> MeasureRecording(int n) {
    std::string name;
    AppendDecimal(name, n);
    name += ".raw";
    const auto file =
        ReadTextFile(name.c_str(), static_cast<std::size_t>(kMaxRecordingSamples) + 4096);
    if (!file) {
        return std::nullopt;
    }
    return MeasureTake(SamplesOf(*file));
}

TakeProblem ProblemOf(const TakeQuality& q) {
    if (q.loudestDb < kSilentDb) {
        return TakeProblem::kSilent;
    }
    if (q.speechSeconds < kMinSpeechSeconds) {
        return TakeProblem::kTooShort;
    }
    if (q.loudestDb < kQuietDb) {
        return TakeProblem::kTooQuiet;
    }
    if (static_cast<double>(q.clippedSamples) > kMaxClippedShare * q.speechSeconds * kRate) {
        return TakeProblem::kClipped;
    }
    if (q.loudestDb - q.backgroundDb < kMinBackgroundGapDb) {
        return TakeProblem::kNoisy;
    }
    return TakeProblem::kNone;
}

std::string Advice(TakeProblem problem, const TakeQuality& q) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f s", q.speechSeconds);
    switch (problem) {
        case TakeProblem::kNone:
            return "";
        case TakeProblem::kSilent:
            return "silent: nothing was heard (loudest " + Decibels(q.loudestDb) +
                   "); check the microphone";
        case TakeProblem::kTooShort:
            return std::string("too short: ") + seconds +
                   " of speech, at least 0.5 s is needed; say the whole password";
        case TakeProblem::kTooQuiet:
            return "too quiet: the loudest part is at " + Decibels(q.loudestDb) +
                   "; speak up or come closer to the microphone";
        case TakeProblem::kClipped:
            return "clipped: " + std::to_string(q.clippedSamples) +
                   " samples at full scale; speak a little further from the microphone or turn "
                   "the input down";
        case TakeProblem::kNoisy:
            return "noisy: the background is only " +
                   std::to_string(static_cast<int>(std::lround(q.loudestDb - q.backgroundDb))) +
                   " dB under the speech; find a quieter place";
    }
    return "";
}

const char* ProblemName(TakeProblem problem) {
    switch (problem) {
        case TakeProblem::kNone:
            return "none";
        case TakeProblem::kSilent:
            return "silent";
        case TakeProblem::kTooShort:
            return "too-short";
        case TakeProblem::kTooQuiet:
            return "too-quiet";
        case TakeProblem::kClipped:
            return "clipped";
        case TakeProblem::kNoisy:
            return "noisy";
    }
    return "none";
}

}  // namespace kelvo
