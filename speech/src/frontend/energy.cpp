#include "energy.h"

#include <algorithm>

#include "log_floor.h"

namespace speech {

double LogFrameEnergy(std::span<const double> frame) {
    double sum = 0.0;
    for (const double sample : frame) {
        sum += sample * sample;
    }
    return FlooredLog(sum);
}

void NormalizeLogEnergy(const FeatureTable& table, std::size_t column) {
    if (table.frames == 0) {
        return;
    }
    double loudest = table.At(0, column);
    for (std::size_t t = 1; t < table.frames; ++t) {
        loudest = std::max(loudest, table.At(t, column));
    }
    const double lowest = 1.0 - kSilenceFloorLog;
    for (std::size_t t = 0; t < table.frames; ++t) {
        double& value = table.At(t, column);
        value = std::max(value - loudest + 1.0, lowest);
    }
}

}  // namespace speech
