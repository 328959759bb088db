#include "lifter.h"

#include <cmath>
#include <numbers>

namespace speech {

Lifter::Lifter(std::size_t cepstra, double length) : factors_(cepstra, 1.0) {
    if (length == 0.0) {
        return;
    }
    for (std::size_t n = 1; n <= cepstra; ++n) {
        factors_[n - 1] =
            1.0 + 0.5 * length * std::sin(std::numbers::pi * static_cast<double>(n) / length);
    }
}

void Lifter::Apply(std::span<double> cepstra) const {
    for (std::size_t i = 0; i < cepstra.size(); ++i) {
        cepstra[i] *= factors_[i];
    }
}

}  // namespace speech
