// The statistics of a recording that the model vector is made from, in two groups:
//
//   what was said: the means of the statics (cepstra and normalised energy) over
//     kPhraseSegments stretches of equal length of the active frames (the words without the
//     pauses), in time order;
//   who said it: over the voiced frames, the mean and the standard deviation of each cepstrum,
//     the mean of each cepstrum before mean normalisation (the long-term shape of the
//     spectrum), and the mean and standard deviation of the log pitch.
//
// Several recordings count as one, their frames in list order.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "feature_matrix.h"
#include "speech_frames.h"

namespace speech {

inline constexpr std::size_t kPhraseSegments = 10;

struct UtteranceStatistics {
    std::vector<double> phrase;  // kPhraseSegments * statics
    std::vector<double> voice;   // 3 * cepstra + 2
};

std::size_t PhraseStatisticsSize(const FrameLayout& frames);
std::size_t VoiceStatisticsSize(const FrameLayout& frames);

// Nothing when a segment or the voice gets no frame, or the features carry no pitch.
std::optional<UtteranceStatistics> ComputeUtteranceStatistics(
    const std::vector<FeatureMatrix>& files, const FrameLayout& frames);

}  // namespace speech
