// The model vector: the 45 numbers at the head of the state file that characterise one
// recording. The speech frames are split in time order into contiguous segments of near-equal
// size (the uniform segmentation of a left-to-right model); the vector is made of segment
// means of static features (cepstra and normalised energy), each taken from a segmentation
// into a given number of segments. Each mean m at position i is then mapped to
// max(minimum, level + gain * (m - center[i]) / spread[i]): the center and spread put every
// position on the same footing, level and gain place the values where the verifier's integer
// truncation and fixed relative threshold discriminate.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "feature_matrix.h"
#include "speech_frames.h"

namespace speech {

// One position of the vector: the mean of static feature `feature` over segment `segment`
// of a split of the speech frames into `segments` segments.
struct SegmentPick {
    std::size_t segments = 1;
    std::size_t segment = 0;
    std::size_t feature = 0;
};

struct ModelVectorLayout {
    std::vector<SegmentPick> picks;
    double speechRangeDb = kSpeechRangeDb;
    double level = 22.5;
    double gain = 1.5;
    double minimum = 0.5;
    std::vector<double> center;  // one per pick; empty: all 0
    std::vector<double> spread;  // one per pick; empty: all 1
};

inline constexpr std::size_t kModelVectorSize = 45;

// `segments` segments of the first `features` statics each, segment after segment, mapped as
// 1.5 * (m + 15): the plain flat-start layout.
ModelVectorLayout UniformLayout(std::size_t segments, std::size_t features);

// The layout the library ships with.
const ModelVectorLayout& ShippedModelVectorLayout();

// The segment means of the picks, before mapping. Nothing when a pick names a feature the
// frames do not have, or a segment gets no frame.
std::optional<std::vector<double>> SegmentMeans(const std::vector<FeatureMatrix>& files,
                                                const FrameLayout& frames,
                                                const ModelVectorLayout& layout);

std::vector<double> MapSegmentMeans(std::span<const double> means, const ModelVectorLayout& layout);

// SegmentMeans, mapped.
std::optional<std::vector<double>> ComputeModelVector(const std::vector<FeatureMatrix>& files,
                                                      const FrameLayout& frames,
                                                      const ModelVectorLayout& layout);

}  // namespace speech
