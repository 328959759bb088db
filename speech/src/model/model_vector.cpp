#include "model_vector.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace speech {

ModelVectorLayout UniformLayout(std::size_t segments, std::size_t features) {
    ModelVectorLayout layout;
    for (std::size_t segment = 0; segment < segments; ++segment) {
        for (std::size_t feature = 0; feature < features; ++feature) {
            layout.picks.push_back({segments, segment, feature, Statistic::kMean, 0});
        }
    }
    return layout;
}

std::optional<std::vector<double>> SegmentStatistics(const std::vector<FeatureMatrix>& files,
                                                     const FrameLayout& frames,
                                                     const ModelVectorLayout& layout) {
    // The sums and sums of squares of every column (statics, deltas, accelerations) over every
    // segment of each segmentation the picks use. The columns are small numbers, so the
    // variance from these sums loses nothing that matters in double precision.
    const std::size_t columns = 3 * frames.statics;
    struct Split {
        std::vector<double> sums;     // segments x columns
        std::vector<double> squares;  // segments x columns
        std::vector<std::size_t> counts;
    };
    std::map<std::size_t, Split> splits;
    for (const SegmentPick& pick : layout.picks) {
        if (pick.feature >= frames.statics || pick.order > 2 || pick.segment >= pick.segments) {
            return std::nullopt;
        }
        splits.try_emplace(pick.segments, Split{std::vector<double>(pick.segments * columns),
                                                std::vector<double>(pick.segments * columns),
                                                std::vector<std::size_t>(pick.segments)});
    }
    for (const FeatureMatrix& features : files) {
        if (features.dims < columns) {
            return std::nullopt;
        }
        const std::vector<std::size_t> speech =
            SpeechFrames(features, frames, layout.speechRangeDb);
        for (auto& [segments, split] : splits) {
            for (std::size_t i = 0; i < speech.size(); ++i) {
                const std::size_t segment = PartOf(i, speech.size(), segments);
                const auto row = features.Row(speech[i]);
                double* sum = split.sums.data() + segment * columns;
                double* square = split.squares.data() + segment * columns;
                for (std::size_t f = 0; f < columns; ++f) {
                    const double value = row[f];
                    sum[f] += value;
                    square[f] += value * value;
                }
                ++split.counts[segment];
            }
        }
    }
    std::vector<double> statistics;
    statistics.reserve(layout.picks.size());
    for (const SegmentPick& pick : layout.picks) {
        const Split& split = splits.at(pick.segments);
        const std::size_t count = split.counts[pick.segment];
        if (count == 0) {
            return std::nullopt;
        }
        const std::size_t at = pick.segment * columns + pick.order * frames.statics + pick.feature;
        const double mean = split.sums[at] / static_cast<double>(count);
        if (pick.statistic == Statistic::kMean) {
            statistics.push_back(mean);
        } else {
            const double meanSquare = split.squares[at] / static_cast<double>(count);
            statistics.push_back(std::sqrt(std::max(0.0, meanSquare - mean * mean)));
        }
    }
    return statistics;
}

std::vector<double> MapStatistics(std::span<const double> statistics,
                                  const ModelVectorLayout& layout) {
    std::vector<double> vector(statistics.size());
    for (std::size_t i = 0; i < statistics.size(); ++i) {
        const double center = layout.center.empty() ? 0.0 : layout.center[i];
        const double spread = layout.spread.empty() ? 1.0 : layout.spread[i];
        vector[i] = std::max(layout.minimum,
                             layout.level + layout.gain * (statistics[i] - center) / spread);
    }
    return vector;
}

std::optional<std::vector<double>> ComputeModelVector(const std::vector<FeatureMatrix>& files,
                                                      const FrameLayout& frames,
                                                      const ModelVectorLayout& layout) {
    const auto statistics = SegmentStatistics(files, frames, layout);
    if (!statistics) {
        return std::nullopt;
    }
    return MapStatistics(*statistics, layout);
}

}  // namespace speech
