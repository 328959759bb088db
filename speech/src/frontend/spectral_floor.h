// A floor under the mel filter energies at a fixed distance below the recording's loudest
// frame, shaped as white noise through the filters would be. Whatever lies under it (the
// 8-bit steps of a quiet recording, a faint hiss, a quiet room) disappears under the same
// floor, so the same voice recorded loud or quiet, or over a little noise, gives nearly the
// same cepstra. Filter m's floor is loudest * 10^(-belowDb / 10) * width(m) / sum of widths,
// where loudest is the largest sum of a frame's filter energies.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "mel_filterbank.h"

namespace speech {

class SpectralFloor {
  public:
    // belowDb > 0; 0 or less leaves the energies as they are.
    SpectralFloor(const MelFilterbank& filterbank, double belowDb);

    // energies: frames rows of one value per filter, raised to the floor in place.
    void Apply(std::span<double> energies, std::size_t frames) const;

  private:
    double factor_ = 0.0;         // 10^(-belowDb / 10), 0 for none
    std::vector<double> shares_;  // width(m) / sum of widths
};

}  // namespace speech
