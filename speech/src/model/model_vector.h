// The model vector: the 45 numbers at the head of the state file that characterise one
// recording. The speech frames are split in time order into contiguous segments of near-equal
// size (the uniform segmentation of a left-to-right model); each position of the vector is a
// statistic of one feature over one segment of such a split: the mean of a static (cepstra and
// normalised energy), or the standard deviation of a static, of its delta or of its
// acceleration. Each statistic m at position i is then mapped to
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

// What a position measures over the frames of its segment.
enum class Statistic {
    kMean,       // the mean
    kDeviation,  // the standard deviation: how much the feature moves within the segment
};

// One position of the vector: statistic `statistic` of static `feature` (order 0), of its delta
// (order 1) or of its acceleration (order 2), over segment `segment` of a split of the speech
// frames into `segments` segments.
struct SegmentPick {
    std::size_t segments = 1;
    std::size_t segment = 0;
    std::size_t feature = 0;  // the static, below FrameLayout::statics
    Statistic statistic = Statistic::kMean;
    std::size_t order = 0;  // 0 the static, 1 its delta, 2 its acceleration
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

// `segments` segment means of the first `features` statics each, segment after segment, mapped
// as 1.5 * (m + 15): the plain flat-start layout.
ModelVectorLayout UniformLayout(std::size_t segments, std::size_t features);

// The layout the library ships with.
const ModelVectorLayout& ShippedModelVectorLayout();

// The statistics of the picks, before mapping. Nothing when a pick names a feature or an order
// the frames do not have, or a segment gets no frame.
std::optional<std::vector<double>> SegmentStatistics(const std::vector<FeatureMatrix>& files,
                                                     const FrameLayout& frames,
                                                     const ModelVectorLayout& layout);

std::vector<double> MapStatistics(std::span<const double> statistics,
                                  const ModelVectorLayout& layout);

// SegmentStatistics, mapped.
std::optional<std::vector<double>> ComputeModelVector(const std::vector<FeatureMatrix>& files,
                                                      const FrameLayout& frames,
                                                      const ModelVectorLayout& layout);

}  // namespace speech
