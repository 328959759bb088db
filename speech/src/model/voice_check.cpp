#include "voice_check.h"

#include <algorithm>
#include <cmath>

#include "state_statistics.h"

namespace speech {
namespace {

// Enough loud frames, and statics that move at all.
bool HasLoudChangingFrames(const std::vector<FeatureMatrix>& files, const FrameLayout& frames) {
    std::size_t loudFrames = 0;
    std::vector<FeatureMatrix> loudOnly;
    for (const FeatureMatrix& features : files) {
        const std::vector<std::size_t> loud = SpeechFrames(features, frames);
        loudFrames += loud.size();
        FeatureMatrix statics(loud.size(), frames.statics);
        for (std::size_t i = 0; i < loud.size(); ++i) {
            const auto row = features.Row(loud[i]);
            std::copy(row.begin(), row.begin() + static_cast<std::ptrdiff_t>(frames.statics),
                      statics.Row(i).begin());
        }
        loudOnly.push_back(std::move(statics));
    }
    if (loudFrames < kMinSpeechFrames) {
        return false;
    }
    const Gaussian spread = GlobalStatistics(loudOnly, frames.statics);
    return std::any_of(spread.variance.begin(), spread.variance.end(),
                       [](double variance) { return variance > kConstantVariance; });
}

// The longest stretch of voiced frames, breaks of up to kVoicingGapFrames included.
std::size_t LongestVoicedStretch(const std::vector<std::size_t>& voiced) {
    std::size_t longest = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < voiced.size(); ++i) {
        if (i > 0 && voiced[i] - voiced[i - 1] > kVoicingGapFrames + 1) {
            start = i;
        }
        longest = std::max(longest, voiced[i] - voiced[start] + 1);
    }
    return longest;
}

}  // namespace

bool HasVoice(const std::vector<FeatureMatrix>& files, const FrameLayout& frames) {
    if (!HasLoudChangingFrames(files, frames)) {
        return false;
    }
    // The pitch in semitones over every voiced frame.
    double sum = 0.0;
    double squares = 0.0;
    std::size_t voiced = 0;
    for (const FeatureMatrix& features : files) {
        const std::vector<std::size_t> voicedFrames = VoicedFrames(features, frames);
        if (LongestVoicedStretch(voicedFrames) > kMaxVoicedStretch) {
            return false;
        }
        for (const std::size_t frame : voicedFrames) {
            const double semitones = 12.0 * std::log2(static_cast<double>(features.pitch[frame]));
            sum += semitones;
            squares += semitones * semitones;
            ++voiced;
        }
    }
    if (voiced < kMinVoicedFrames) {
        return false;
    }
    const double mean = sum / static_cast<double>(voiced);
    const double variance = std::max(0.0, squares / static_cast<double>(voiced) - mean * mean);
    return std::sqrt(variance) >= kMinPitchMovement;
}

}  // namespace speech
