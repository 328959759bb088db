// Feature frames of one recording: one row of `dims` values per frame, row after row, and what
// the verifier needs beside them: the pitch of each frame, and the cepstral means that mean
// normalisation took away (they carry the long-term spectral shape of the voice).
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace speech {

struct FeatureMatrix {
    std::size_t frames = 0;
    std::size_t dims = 0;
    std::vector<float> values;  // frames * dims
    // One per frame: the pitch in Hz of a voiced frame, 0 for any other; empty when unknown.
    std::vector<float> pitch;
    // What cepstral mean subtraction removed from each cepstrum c1..cN; empty when it did not
    // run.
    std::vector<float> cepstralMean;

    FeatureMatrix() = default;
    FeatureMatrix(std::size_t frameCount, std::size_t dimCount)
        : frames(frameCount), dims(dimCount), values(frameCount * dimCount, 0.0f) {}

    std::span<float> Row(std::size_t frame) { return {values.data() + frame * dims, dims}; }
    std::span<const float> Row(std::size_t frame) const {
        return {values.data() + frame * dims, dims};
    }
    float& At(std::size_t frame, std::size_t dim) { return values[frame * dims + dim]; }
    float At(std::size_t frame, std::size_t dim) const { return values[frame * dims + dim]; }
};

}  // namespace speech
