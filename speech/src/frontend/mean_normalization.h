// Cepstral mean subtraction: each column's mean over the recording is removed, cancelling a
// fixed channel (microphone, line) that multiplies the spectrum.
#pragma once

#include <cstddef>

#include "feature_table.h"

namespace speech {

// Columns [first, first + count).
void SubtractColumnMeans(const FeatureTable& table, std::size_t first, std::size_t count);

}  // namespace speech
