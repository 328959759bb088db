// Cepstral mean subtraction: each column's mean over the recording is removed, cancelling a
// fixed channel (microphone, line) that multiplies the spectrum.
#pragma once

#include <cstddef>
#include <vector>

#include "feature_table.h"

namespace speech {

// Columns [first, first + count); returns the means taken away (all 0 without frames).
std::vector<double> SubtractColumnMeans(const FeatureTable& table, std::size_t first,
                                        std::size_t count);

}  // namespace speech
