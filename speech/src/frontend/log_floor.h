// The natural log used for every energy the front end outputs, floored so that silence gives
// a finite value: log(max(x, kEnergyFloor)); a NaN also gives the floor's log.
#pragma once

#include <cmath>

namespace speech {

inline constexpr double kEnergyFloor = 1e-10;

inline double FlooredLog(double energy) {
    return std::log(energy > kEnergyFloor ? energy : kEnergyFloor);
}

}  // namespace speech
