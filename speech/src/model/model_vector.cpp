#include "model_vector.h"

#include <algorithm>
#include <map>

namespace speech {

ModelVectorLayout UniformLayout(std::size_t segments, std::size_t features) {
    ModelVectorLayout layout;
    for (std::size_t segment = 0; segment < segments; ++segment) {
        for (std::size_t feature = 0; feature < features; ++feature) {
            layout.picks.push_back({segments, segment, feature});
        }
    }
    return layout;
}

std::optional<std::vector<double>> SegmentMeans(const std::vector<FeatureMatrix>& files,
                                                const FrameLayout& frames,
                                                const ModelVectorLayout& layout) {
    // The sums of every static over every segment of each segmentation the picks use.
    struct Split {
        std::vector<double> sums;  // segments x statics
        std::vector<std::size_t> counts;
    };
    std::map<std::size_t, Split> splits;
    for (const SegmentPick& pick : layout.picks) {
        if (pick.feature >= frames.statics || pick.segment >= pick.segments) {
            return std::nullopt;
        }
        splits.try_emplace(pick.segments, Split{std::vector<double>(pick.segments * frames.statics),
                                                std::vector<std::size_t>(pick.segments)});
    }
    for (const FeatureMatrix& features : files) {
        const std::vector<std::size_t> speech =
            SpeechFrames(features, frames, layout.speechRangeDb);
        for (auto& [segments, split] : splits) {
            for (std::size_t i = 0; i < speech.size(); ++i) {
                const std::size_t segment = PartOf(i, speech.size(), segments);
                const auto row = features.Row(speech[i]);
                double* sum = split.sums.data() + segment * frames.statics;
                for (std::size_t f = 0; f < frames.statics; ++f) {
                    sum[f] += row[f];
                }
                ++split.counts[segment];
            }
        }
    }
    std::vector<double> means;
    means.reserve(layout.picks.size());
    for (const SegmentPick& pick : layout.picks) {
        const Split& split = splits.at(pick.segments);
        const std::size_t count = split.counts[pick.segment];
        if (count == 0) {
            return std::nullopt;
        }
        means.push_back(split.sums[pick.segment * frames.statics + pick.feature] /
                        static_cast<double>(count));
    }
    return means;
}

std::vector<double> MapSegmentMeans(std::span<const double> means,
                                    const ModelVectorLayout& layout) {
    std::vector<double> vector(means.size());
    for (std::size_t i = 0; i < means.size(); ++i) {
        const double center = layout.center.empty() ? 0.0 : layout.center[i];
        const double spread = layout.spread.empty() ? 1.0 : layout.spread[i];
        vector[i] =
            std::max(layout.minimum, layout.level + layout.gain * (means[i] - center) / spread);
    }
    return vector;
}

std::optional<std::vector<double>> ComputeModelVector(const std::vector<FeatureMatrix>& files,
                                                      const FrameLayout& frames,
                                                      const ModelVectorLayout& layout) {
    const auto means = SegmentMeans(files, frames, layout);
    if (!means) {
        return std::nullopt;
    }
    return MapSegmentMeans(*means, layout);
}

}  // namespace speech
