// Regression deltas over time: d_t = sum_{k=1..K} k (x_{t+k} - x_{t-k}) / (2 sum_{k=1..K} k^2),
// where frames before the first and after the last repeat the edge frame. Applied to the
// deltas themselves this gives the accelerations.
#pragma once

#include <cstddef>

#include "feature_table.h"

namespace speech {

// Columns [source, source + count) give columns [target, target + count); the two ranges must
// not overlap. window >= 1.
void ComputeDeltas(const FeatureTable& table, std::size_t source, std::size_t target,
                   std::size_t count, std::size_t window);

}  // namespace speech
