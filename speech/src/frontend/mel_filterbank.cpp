#include "mel_filterbank.h"

#include <cmath>

#include "log_floor.h"

namespace speech {

double HzToMel(double hz) {
    return 2595.0 * std::log10(1.0 + hz / 700.0);
}

MelFilterbank::MelFilterbank(std::size_t filters, std::size_t fftSize, double sampleRate)
    : firstBin_(filters, 0), offset_(filters + 1, 0) {
    const std::size_t bins = fftSize / 2 + 1;
    std::vector<double> binMel(bins);
    for (std::size_t k = 0; k < bins; ++k) {
        binMel[k] = HzToMel(static_cast<double>(k) * sampleRate / static_cast<double>(fftSize));
    }
    const double melStep = HzToMel(sampleRate / 2.0) / static_cast<double>(filters + 1);
    for (std::size_t m = 0; m < filters; ++m) {
        const double left = melStep * static_cast<double>(m);
        const double center = melStep * static_cast<double>(m + 1);
        const double right = melStep * static_cast<double>(m + 2);
        offset_[m] = weights_.size();
        bool started = false;
        for (std::size_t k = 0; k < bins; ++k) {
            const double mel = binMel[k];
            if (!(mel > left && mel < right)) {
                continue;
            }
            if (!started) {
                firstBin_[m] = k;
                started = true;
            }
            weights_.push_back(mel <= center ? (mel - left) / (center - left)
                                             : (right - mel) / (right - center));
        }
    }
    offset_[filters] = weights_.size();
}

bool MelFilterbank::HasEmptyFilter() const {
    for (std::size_t m = 0; m < Filters(); ++m) {
        if (offset_[m] == offset_[m + 1]) {
            return true;
        }
    }
    return false;
}

std::span<const double> MelFilterbank::Weights(std::size_t filter) const {
    return std::span<const double>(weights_).subspan(offset_[filter],
                                                     offset_[filter + 1] - offset_[filter]);
}

void MelFilterbank::Apply(std::span<const double> power, std::span<double> energies) const {
    for (std::size_t m = 0; m < Filters(); ++m) {
        const std::span<const double> weights = Weights(m);
        const double* bin = power.data() + firstBin_[m];
        double sum = 0.0;
        for (std::size_t j = 0; j < weights.size(); ++j) {
            sum += weights[j] * bin[j];
        }
        energies[m] = sum;
    }
}

void MelFilterbank::ApplyLog(std::span<const double> power, std::span<double> logEnergies) const {
    Apply(power, logEnergies);
    for (double& energy : logEnergies) {
        energy = FlooredLog(energy);
    }
}

}  // namespace speech
