// A floor under the mel filter energies at a fixed distance below the recording's loudest
// frame, shaped as white noise would be after pre-emphasis and the filters. Whatever lies
// under it (the 8-bit steps of a quiet recording, a faint hiss, a quiet room: noise that is
// white before pre-emphasis) disappears under the same floor, so the same voice recorded loud
// or quiet, or over a little noise, gives nearly the same cepstra. Filter m's floor is
// loudest * 10^(-belowDb / 10) * share(m), where loudest is the largest sum of a frame's
// filter energies and share(m) is filter m's fraction of pre-emphasised white noise:
// sum_k weight(m, k) (1 + a^2 - 2 a cos(2 pi k / fftSize)), divided by its sum over filters.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "mel_filterbank.h"

namespace speech {

class NoiseFloor {
  public:
    // belowDb > 0; 0 or less leaves the energies as they are. preEmphasis: the a of
    // y[n] = x[n] - a x[n-1].
    NoiseFloor(const MelFilterbank& filterbank, std::size_t fftSize, double preEmphasis,
               double belowDb);

    // energies: frames rows of one value per filter, raised to the floor in place.
    void Apply(std::span<double> energies, std::size_t frames) const;

  private:
    double factor_ = 0.0;         // 10^(-belowDb / 10), 0 for none
    std::vector<double> shares_;  // share(m)
};

}  // namespace speech
