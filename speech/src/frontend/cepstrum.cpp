#include "cepstrum.h"

#include <cmath>
#include <numbers>

namespace speech {

Cepstrum::Cepstrum(std::size_t cepstra, std::size_t filters)
    : filters_(filters), matrix_(cepstra * filters) {
    const double scale = std::sqrt(2.0 / static_cast<double>(filters));
    const double step = std::numbers::pi / static_cast<double>(filters);
    for (std::size_t n = 1; n <= cepstra; ++n) {
        for (std::size_t m = 0; m < filters; ++m) {
            matrix_[(n - 1) * filters + m] =
                scale * std::cos(step * static_cast<double>(n) * (static_cast<double>(m) + 0.5));
        }
    }
}

void Cepstrum::Compute(std::span<const double> logEnergies, std::span<double> cepstra) const {
    const double* row = matrix_.data();
    for (double& c : cepstra) {
        double sum = 0.0;
        for (std::size_t m = 0; m < filters_; ++m) {
            sum += row[m] * logEnergies[m];
        }
        c = sum;
        row += filters_;
    }
}

}  // namespace speech
