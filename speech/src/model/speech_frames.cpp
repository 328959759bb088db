#include "speech_frames.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace speech {
namespace {

double LoudestEnergy(const FeatureMatrix& features, std::size_t energyIndex) {
    float loudest = -INFINITY;
    for (std::size_t frame = 0; frame < features.frames; ++frame) {
        loudest = std::max(loudest, features.At(frame, energyIndex));
    }
    return static_cast<double>(loudest);
}

// Energy in natural-log units below which a frame is a pause.
double SpeechThreshold(const FeatureMatrix& features, std::size_t energyIndex, double rangeDb) {
    return LoudestEnergy(features, energyIndex) - LogEnergyRange(rangeDb);
}

std::vector<std::size_t> FramesFrom(const FeatureMatrix& features, std::size_t energyIndex,
                                    double threshold) {
    std::vector<std::size_t> selected;
    for (std::size_t frame = 0; frame < features.frames; ++frame) {
        if (features.At(frame, energyIndex) >= threshold) {
            selected.push_back(frame);
        }
    }
    return selected;
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

std::vector<std::size_t> ActiveFrames(const FeatureMatrix& features, const FrameLayout& layout) {
    if (features.frames == 0) {
        return {};
    }
    std::vector<float> energies(features.frames);
    for (std::size_t frame = 0; frame < features.frames; ++frame) {
        energies[frame] = features.At(frame, layout.energyIndex);
    }
    const auto rank = static_cast<std::size_t>(kFloorPercentile / 100.0 *
                                               static_cast<double>(features.frames - 1));
    std::nth_element(energies.begin(), energies.begin() + static_cast<std::ptrdiff_t>(rank),
                     energies.end());
    const double floor = energies[rank];
    const double loudest = LoudestEnergy(features, layout.energyIndex);
    const double threshold = std::min(
        std::max(loudest - LogEnergyRange(kActiveRangeDb), floor + LogEnergyRange(kAboveFloorDb)),
        loudest - LogEnergyRange(kAboveFloorDb));
    return FramesFrom(features, layout.energyIndex, threshold);
}

std::vector<std::size_t> VoicedFrames(const FeatureMatrix& features, const FrameLayout& layout) {
    std::vector<std::size_t> voiced;
    if (features.pitch.size() != features.frames) {
        return voiced;
    }
    for (const std::size_t frame : SpeechFrames(features, layout)) {
        if (features.pitch[frame] > 0.0f) {
            voiced.push_back(frame);
        }
    }
    return voiced;
}

std::vector<std::size_t> PauseFrames(const FeatureMatrix& features, const FrameLayout& layout,
                                     double rangeDb) {
    return SelectFrames(features, layout, rangeDb, false);
}

}  // namespace speech
