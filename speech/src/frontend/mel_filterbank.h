// Triangular filters equally spaced on the mel scale, mel(f) = 2595 log10(1 + f / 700),
// between 0 Hz and half the sample rate. Filter m rises from mel point m to point m + 1 and
// falls to point m + 2 (linearly in mel), with points i * mel(rate / 2) / (filters + 1).
// Only the bins strictly inside a triangle have a weight, stored sparsely: each filter keeps
// its first bin and its run of weights.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace speech {

double HzToMel(double hz);

class MelFilterbank {
  public:
    // Filters over the fftSize / 2 + 1 bins of a power spectrum at sampleRate.
    MelFilterbank(std::size_t filters, std::size_t fftSize, double sampleRate);

    std::size_t Filters() const { return firstBin_.size(); }
    bool HasEmptyFilter() const;

    // energies[m] = the sum of weight * power over filter m's bins.
    void Apply(std::span<const double> power, std::span<double> energies) const;
    // logEnergies[m] = FlooredLog(energies[m]).
    void ApplyLog(std::span<const double> power, std::span<double> logEnergies) const;

    // Filter m's weights, starting at bin FirstBin(m).
    std::size_t FirstBin(std::size_t filter) const { return firstBin_[filter]; }
    std::span<const double> Weights(std::size_t filter) const;

  private:
    std::vector<std::size_t> firstBin_;
    std::vector<std::size_t> offset_;  // filter m's weights: [offset_[m], offset_[m + 1])
    std::vector<double> weights_;
};

}  // namespace speech
