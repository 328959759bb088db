// The comparison of a fresh model vector with a speaker's two enrolled vectors.
#pragma once

#include "kelvo/core/model_vector.h"

namespace kelvo {

inline constexpr double kPassThreshold = 93.0;  // a similarity at or below it is a miss
inline constexpr double kMissLimit = 10.0;      // accepted with at most this many misses

struct Comparison {
    bool accepted = false;
    double mean = 0.0;    // mean similarity to the first enrolment over all features
    double misses = 0.0;  // features at or below the threshold against either enrolment
};

// Compares feature by feature. The similarity of a test value t to an enrolled value e is
//   100 - |trunc(t - e)| * 100 / (t + e), truncated toward zero,
// so differences below 1 in magnitude count as none. Only the similarities to the first
// enrolment enter the mean; a feature misses when its similarity to either enrolment is at
// or below the threshold. The formula holds for values that sum to more than 0 (the pipeline
// writes only positive ones); otherwise, and when the similarity is not a finite 32-bit
// integer (a value is not finite, or an intermediate leaves the 32-bit range), the feature
// counts as a miss and adds 0 to the mean. The mean is clamped to [0, 100].
Comparison CompareVectors(const ModelVector& first, const ModelVector& second,
                          const ModelVector& test, double threshold);

}  // namespace kelvo
