#include "deltas.h"

#include <algorithm>

namespace speech {

void ComputeDeltas(const FeatureTable& table, std::size_t source, std::size_t target,
                   std::size_t count, std::size_t window) {
    if (table.frames == 0) {
        return;
    }
    double norm = 0.0;
    for (std::size_t k = 1; k <= window; ++k) {
        norm += static_cast<double>(k * k);
    }
    norm *= 2.0;
    const std::size_t last = table.frames - 1;
    for (std::size_t t = 0; t < table.frames; ++t) {
        for (std::size_t d = 0; d < count; ++d) {
            table.At(t, target + d) = 0.0;
        }
        for (std::size_t k = 1; k <= window; ++k) {
            const std::size_t later = std::min(t + k, last);
            const std::size_t earlier = t >= k ? t - k : 0;
            const double weight = static_cast<double>(k) / norm;
            for (std::size_t d = 0; d < count; ++d) {
                table.At(t, target + d) +=
                    weight * (table.At(later, source + d) - table.At(earlier, source + d));
            }
        }
    }
}

}  // namespace speech
