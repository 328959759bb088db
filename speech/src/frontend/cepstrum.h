// Cepstra from log filter energies: the orthonormal DCT-II,
// c_n = sqrt(2 / M) sum_m e_m cos(pi n (m + 1/2) / M), for n = 1..N (c0 is not kept).
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace speech {

class Cepstrum {
  public:
    Cepstrum(std::size_t cepstra, std::size_t filters);

    // cepstra.size() == N, logEnergies.size() == M.
    void Compute(std::span<const double> logEnergies, std::span<double> cepstra) const;

  private:
    std::size_t filters_;
    std::vector<double> matrix_;  // row n - 1 holds the weights of c_n
};

}  // namespace speech
