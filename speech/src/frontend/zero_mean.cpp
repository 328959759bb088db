#include "zero_mean.h"

namespace speech {

void RemoveMean(std::span<double> signal) {
    if (signal.empty()) {
        return;
    }
    double sum = 0.0;
    for (const double sample : signal) {
        sum += sample;
    }
    const double mean = sum / static_cast<double>(signal.size());
    for (double& sample : signal) {
        sample -= mean;
    }
}

}  // namespace speech
