// Sinusoidal liftering, c_n *= 1 + (L / 2) sin(pi n / L), which raises the higher cepstra
// towards the scale of the lower ones. L = 0 leaves the cepstra as they are.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace speech {

class Lifter {
  public:
    Lifter(std::size_t cepstra, double length);

    // cepstra[i] holds c_{i+1}.
    void Apply(std::span<double> cepstra) const;

  private:
    std::vector<double> factors_;
};

}  // namespace speech
