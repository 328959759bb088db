#include "pre_emphasis.h"

namespace speech {

void PreEmphasize(std::span<double> signal, double coefficient) {
    if (signal.empty()) {
        return;
    }
    // Backwards, so every sample still sees its unmodified predecessor.
    for (std::size_t n = signal.size() - 1; n > 0; --n) {
        signal[n] -= coefficient * signal[n - 1];
    }
    signal[0] -= coefficient * signal[0];
}

}  // namespace speech
