// Flat-start state parameters: every model's frames (the speech frames for speech models, the
// pauses for "sil") are split uniformly over its emitting states, recording by recording, and
// each state gets the mean and variance of its frames. Variances are floored at a fraction of
// each feature's global variance; a state without frames takes the global statistics.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "feature_matrix.h"
#include "model_list.h"
#include "speech_frames.h"
#include "topology.h"

namespace speech {

struct Gaussian {
    std::size_t frames = 0;
    std::vector<double> mean;
    std::vector<double> variance;
};

struct ModelParameters {
    std::string name;
    Topology topology;
    std::vector<Gaussian> states;
};

// Mean and variance of every feature over all frames of all recordings.
Gaussian GlobalStatistics(const std::vector<FeatureMatrix>& files, std::size_t dims);

std::vector<double> VarianceFloor(const Gaussian& global, double relativeFloor);

ModelParameters EstimateModel(const ModelEntry& model, const Topology& topology,
                              const std::vector<FeatureMatrix>& files, const FrameLayout& frames,
                              const Gaussian& global, const std::vector<double>& floor);

}  // namespace speech
