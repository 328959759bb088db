// The front end's working copy of a recording's features: frames rows of rowLength doubles,
// which the utterance-level stages (energy normalisation, mean removal, deltas) read and write
// column by column before the result is rounded to float.
#pragma once

#include <cstddef>
#include <span>

namespace speech {

struct FeatureTable {
    std::span<double> values;  // frames * rowLength
    std::size_t frames = 0;
    std::size_t rowLength = 0;

    double& At(std::size_t frame, std::size_t column) const {
        return values[frame * rowLength + column];
    }
};

}  // namespace speech
