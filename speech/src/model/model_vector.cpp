#include "model_vector.h"

#include <algorithm>
#include <cmath>

namespace speech {
namespace {

void ScaleToLength(std::vector<double>& values, double length) {
    double squares = 0.0;
    for (const double value : values) {
        squares += value * value;
    }
    if (!(squares > 0.0)) {
        return;
    }
    const double factor = length / std::sqrt(squares);
    for (double& value : values) {
        value *= factor;
    }
}

}  // namespace

std::vector<double> Projection::Apply(std::span<const double> x) const {
    std::vector<double> y(outputs, 0.0);
    for (std::size_t i = 0; i < inputs && i < x.size(); ++i) {
        const double centred = x[i] - center[i];
        const double* row = matrix.data() + i * outputs;
        for (std::size_t j = 0; j < outputs; ++j) {
            y[j] += centred * row[j];
        }
    }
    return y;
}

std::vector<double> Coordinates(const UtteranceStatistics& statistics,
                                const ModelVectorParameters& parameters) {
    std::vector<double> voice = parameters.voice.Apply(statistics.voice);
    std::vector<double> phrase = parameters.phrase.Apply(statistics.phrase);
    ScaleToLength(voice, std::sqrt(static_cast<double>(voice.size())));
    ScaleToLength(phrase, parameters.phraseWeight * std::sqrt(static_cast<double>(phrase.size())));
    voice.insert(voice.end(), phrase.begin(), phrase.end());
    return voice;
}

std::vector<double> ReadModelVector(std::span<const double> coordinates,
                                    const ModelVectorParameters& parameters) {
    const std::size_t dims = coordinates.size();
    std::vector<double> vector(kModelVectorSize);
    for (std::size_t i = 0; i < kModelVectorSize; ++i) {
        double reading = 0.0;
        for (std::size_t j = 0; j < dims; ++j) {
            reading += parameters.directions[i * dims + j] * coordinates[j];
        }
        vector[i] = std::clamp(parameters.level + parameters.gain * reading, parameters.minimum,
                               parameters.maximum);
    }
    return vector;
}

std::vector<double> ComputeModelVector(const UtteranceStatistics& statistics,
                                       const ModelVectorParameters& parameters) {
    return ReadModelVector(Coordinates(statistics, parameters), parameters);
}

}  // namespace speech
