#include "state_statistics.h"

#include <algorithm>

namespace speech {
namespace {

// Sums of values and squares, turned into mean and variance at the end.
struct Accumulator {
    std::size_t frames = 0;
    std::vector<double> sum;
    std::vector<double> squares;

    explicit Accumulator(std::size_t dims) : sum(dims, 0.0), squares(dims, 0.0) {}

    void Add(std::span<const float> row) {
        for (std::size_t d = 0; d < row.size(); ++d) {
            const double value = row[d];
            sum[d] += value;
            squares[d] += value * value;
        }
        ++frames;
    }

    Gaussian Finish() const {
        Gaussian gaussian;
        gaussian.frames = frames;
        gaussian.mean.assign(sum.size(), 0.0);
        gaussian.variance.assign(sum.size(), 0.0);
        const double n = static_cast<double>(frames);
        for (std::size_t d = 0; d < sum.size(); ++d) {
            gaussian.mean[d] = frames > 0 ? sum[d] / n : 0.0;
            gaussian.variance[d] =
                frames > 0 ? std::max(0.0, squares[d] / n - gaussian.mean[d] * gaussian.mean[d])
                           : 0.0;
        }
        return gaussian;
    }
};

}  // namespace

Gaussian GlobalStatistics(const std::vector<FeatureMatrix>& files, std::size_t dims) {
    Accumulator all(dims);
    for (const FeatureMatrix& features : files) {
        for (std::size_t frame = 0; frame < features.frames; ++frame) {
            all.Add(features.Row(frame));
        }
    }
    return all.Finish();
}

std::vector<double> VarianceFloor(const Gaussian& global, double relativeFloor) {
    std::vector<double> floor(global.variance.size());
    std::transform(global.variance.begin(), global.variance.end(), floor.begin(),
                   [relativeFloor](double variance) { return relativeFloor * variance; });
    return floor;
}

ModelParameters EstimateModel(const ModelEntry& model, const Topology& topology,
                              const std::vector<FeatureMatrix>& files, const FrameLayout& frames,
                              const Gaussian& global, const std::vector<double>& floor) {
    const std::size_t dims = global.mean.size();
    std::vector<Accumulator> states(topology.states, Accumulator(dims));
    for (const FeatureMatrix& features : files) {
        const std::vector<std::size_t> own =
            model.silence ? PauseFrames(features, frames) : SpeechFrames(features, frames);
        for (std::size_t i = 0; i < own.size(); ++i) {
            states[PartOf(i, own.size(), topology.states)].Add(features.Row(own[i]));
        }
    }
    ModelParameters parameters{model.name, topology, {}};
    for (const Accumulator& state : states) {
        Gaussian gaussian = state.frames > 0 ? state.Finish() : global;
        gaussian.frames = state.frames;
        for (std::size_t d = 0; d < dims; ++d) {
            gaussian.variance[d] = std::max(gaussian.variance[d], floor[d]);
        }
        parameters.states.push_back(std::move(gaussian));
    }
    return parameters;
}

}  // namespace speech
