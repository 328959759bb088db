#include "pure_tone.h"

#include <algorithm>

namespace speech {

bool IsPureTone(std::span<const double> power) {
    double total = 0.0;
    for (const double bin : power) {
        total += bin;
    }
    if (!(total > 0.0) || power.size() < 3) {
        return false;
    }
    double strongest = 0.0;
    for (std::size_t k = 1; k + 1 < power.size(); ++k) {
        strongest = std::max(strongest, power[k - 1] + power[k] + power[k + 1]);
    }
    return strongest > kPureToneShare * total;
}

}  // namespace speech
