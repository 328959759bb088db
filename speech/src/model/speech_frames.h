// Which frames of a recording carry speech. Frames are laid out as the front end writes
// them: the statics (cepstra, then the log energy normalised so that the loudest frame is 1),
// then their deltas and accelerations.
#pragma once

#include <cstddef>
#include <vector>

#include "feature_matrix.h"
#include "speech_range.h"

namespace speech {

// Fewer speech frames than this (about half a second at an 8 ms frame shift) is too little to
// characterise a speaker.
inline constexpr std::size_t kMinSpeechFrames = 60;

struct FrameLayout {
    std::size_t statics = 0;      // cepstra and energy
    std::size_t energyIndex = 0;  // the last static

    static FrameLayout ForFeatures(std::size_t features) {
        return {features / 3, features / 3 - 1};
    }
};

// The indices of the speech frames (within rangeDb of the loudest), in time order.
std::vector<std::size_t> SpeechFrames(const FeatureMatrix& features, const FrameLayout& layout,
                                      double rangeDb = kSpeechRangeDb);

// The frames that carry the words, in time order, for a recording whose noise floor may lie
// anywhere from 50 to 10 dB below its loudest frame: a frame counts when its energy is at most
// kActiveRangeDb below the loudest frame's and at least kAboveFloorDb above the noise floor
// (the energy that kFloorPercentile percent of the frames do not exceed), but the threshold is
// never closer than kAboveFloorDb to the loudest frame.
inline constexpr double kActiveRangeDb = 25.0;
inline constexpr double kAboveFloorDb = 6.0;
inline constexpr double kFloorPercentile = 10.0;
std::vector<std::size_t> ActiveFrames(const FeatureMatrix& features, const FrameLayout& layout);

// The voiced frames, in time order: frames with a pitch, within kSpeechRangeDb of the loudest
// (quieter ones are breath and room). None when the features carry no pitch.
std::vector<std::size_t> VoicedFrames(const FeatureMatrix& features, const FrameLayout& layout);

// The other frames, in time order.
std::vector<std::size_t> PauseFrames(const FeatureMatrix& features, const FrameLayout& layout,
                                     double rangeDb = kSpeechRangeDb);

// Splits count frames in time order into parts near-equal contiguous parts: the part that
// frame i falls into.
inline std::size_t PartOf(std::size_t i, std::size_t count, std::size_t parts) {
    return i * parts / count;
}

}  // namespace speech
