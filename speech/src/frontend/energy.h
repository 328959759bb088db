// The frame energy feature: the log of the sum of squares of the frame's samples (after
// pre-emphasis, before the window), and its normalisation over the recording.
#pragma once

#include <cstddef>
#include <span>

#include "feature_table.h"

namespace speech {

// How far below the loudest frame a normalised log energy may fall: 50 dB, as a natural log
// (50 * ln(10) / 10), so silence stays at a fixed level instead of the energy floor.
inline constexpr double kSilenceFloorDb = 50.0;
inline constexpr double kSilenceFloorLog = kSilenceFloorDb * 2.302585092994045684 / 10.0;

double LogFrameEnergy(std::span<const double> frame);

// In the given column: E' = max(E - max(E) + 1, 1 - kSilenceFloorLog), so the loudest frame
// gets exactly 1.
void NormalizeLogEnergy(const FeatureTable& table, std::size_t column);

}  // namespace speech
