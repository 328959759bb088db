#include "kelvo/core/scoring.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace kelvo {
namespace {

// Truncation toward zero to a 32-bit integer, defined only for finite values in range.
std::optional<std::int32_t> TruncateToInt32(double value) {
    constexpr double kBelowMin =
        static_cast<double>(std::numeric_limits<std::int32_t>::min()) - 1.0;
    constexpr double kAboveMax =
        static_cast<double>(std::numeric_limits<std::int32_t>::max()) + 1.0;
    if (!(value > kBelowMin && value < kAboveMax)) {  // also false for NaN
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

std::optional<std::int32_t> Similarity(double test, double enrolled) {
    if (!(test + enrolled > 0.0)) {
        // The quotient would change sign and the similarity exceed 100.
        return std::nullopt;
    }
    const auto difference = TruncateToInt32(test - enrolled);
    if (!difference || *difference == std::numeric_limits<std::int32_t>::min()) {
        return std::nullopt;  // no 32-bit absolute value
    }
    const double a = std::abs(*difference);
    const double q = a * 100.0 / (test + enrolled);
    return TruncateToInt32(100.0 - q);
}

}  // namespace

Comparison CompareVectors(const ModelVector& first, const ModelVector& second,
                          const ModelVector& test, double threshold) {
    double sum = 0.0;
    double misses = 0.0;
    for (std::size_t i = 0; i < kFeatureCount; ++i) {
        const auto s1 = Similarity(test[i], first[i]);
        const auto s2 = Similarity(test[i], second[i]);
        if (s1) {
            sum += *s1;
        }
        if (!s1 || !s2 || *s1 <= threshold || *s2 <= threshold) {
            misses += 1.0;
        }
    }
    Comparison result;
    result.mean = std::clamp(sum / static_cast<double>(kFeatureCount), 0.0, 100.0);
    result.misses = misses;
    result.accepted = misses <= kMissLimit;
    return result;
}

}  // namespace kelvo
