#include "speech_frames.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace speech {
namespace {

// Energy in natural-log units below which a frame is a pause.
double SpeechThreshold(const FeatureMatrix& features, std::size_t energyIndex, double rangeDb) {
    float loudest = -INFINITY;
    for (std::size_t frame = 0; frame < features.frames; ++frame) {
        loudest = std::max(loudest, features.At(frame, energyIndex));
    }
    return static_cast<double>(loudest) - rangeDb * std::numbers::ln10 / 10.0;
}

std::vector<std::size_t> SelectFrames(const FeatureMatrix& features, const FrameLayout& layout,
                                      double rangeDb, bool speech) {
    std::vector<std::size_t> selected;
    if (features.frames == 0) {
        return selected;
    }
    const double threshold = SpeechThreshold(features, layout.energyIndex, rangeDb);
    for (std::size_t frame = 0; frame < features.frames; ++frame) {
        const bool loud = features.At(frame, layout.energyIndex) >= threshold;
        if (loud == speech) {
            selected.push_back(frame);
        }
    }
    return selected;
}

}  // namespace

std::vector<std::size_t> SpeechFrames(const FeatureMatrix& features, const FrameLayout& layout,
                                      double rangeDb) {
    return SelectFrames(features, layout, rangeDb, true);
}

std::vector<std::size_t> PauseFrames(const FeatureMatrix& features, const FrameLayout& layout,
                                     double rangeDb) {
    return SelectFrames(features, layout, rangeDb, false);
}

}  // namespace speech
