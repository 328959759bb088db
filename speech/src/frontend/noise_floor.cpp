#include "noise_floor.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace speech {

NoiseFloor::NoiseFloor(const MelFilterbank& filterbank, std::size_t fftSize, double preEmphasis,
                       double belowDb)
    : shares_(filterbank.Filters()) {
    double total = 0.0;
    for (std::size_t m = 0; m < shares_.size(); ++m) {
        const std::span<const double> weights = filterbank.Weights(m);
        for (std::size_t j = 0; j < weights.size(); ++j) {
            const double bin = static_cast<double>(filterbank.FirstBin(m) + j);
            const double emphasis =
                1.0 + preEmphasis * preEmphasis -
                2.0 * preEmphasis *
                    std::cos(2.0 * std::numbers::pi * bin / static_cast<double>(fftSize));
            shares_[m] += weights[j] * emphasis;
        }
        total += shares_[m];
    }
    if (belowDb > 0.0 && total > 0.0) {
        factor_ = std::pow(10.0, -belowDb / 10.0);
        for (double& share : shares_) {
            share /= total;
        }
    }
}

void NoiseFloor::Apply(std::span<double> energies, std::size_t frames) const {
    const std::size_t filters = shares_.size();
    if (factor_ == 0.0 || filters == 0) {
        return;
    }
    double loudest = 0.0;
    for (std::size_t t = 0; t < frames; ++t) {
        double sum = 0.0;
        for (std::size_t m = 0; m < filters; ++m) {
            sum += energies[t * filters + m];
        }
        loudest = std::max(loudest, sum);
    }
    for (std::size_t t = 0; t < frames; ++t) {
        for (std::size_t m = 0; m < filters; ++m) {
            energies[t * filters + m] += loudest * factor_ * shares_[m];
        }
    }
}

}  // namespace speech
