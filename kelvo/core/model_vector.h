// The model vector: the 45 numbers the speech pipeline leaves at the head of "states.txt" for
// one recording, and the unit of a speaker's profile.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace kelvo {

inline constexpr std::size_t kFeatureCount = 45;
using ModelVector = std::array<double, kFeatureCount>;

// The range of every value the speech pipeline writes. A value outside it cannot come from a
// recording; it marks a damaged "states.txt" or profile line, and the scoring formula is only
// meaningful for positive values.
inline constexpr double kMinFeatureValue = 1000.0;
inline constexpr double kMaxFeatureValue = 19000.0;

enum class ModelVectorUse {
    // A file that runs short still enrols: every position after the last number read gets
    // that number again. At least one number must be there.
    kEnrolment,
    // All 45 numbers must be there.
    kVerification,
};

// Reads the model vector from the text of "states.txt". True when the vector is complete for
// its use and every value lies in [kMinFeatureValue, kMaxFeatureValue]; no caller uses the
// vector otherwise.
bool ParseModelVector(std::string_view text, ModelVectorUse use, ModelVector& vector);

// The largest "states.txt" read; the pipeline's is a few tens of KiB.
inline constexpr std::size_t kMaxStatesFileSize = 16 * 1024 * 1024;

// Reads the model vector from "states.txt" as ParseModelVector does; false when the file does
// not open, is not a regular file or is larger than kMaxStatesFileSize.
bool ReadModelVector(ModelVector& vector, ModelVectorUse use);

bool AllFinite(const ModelVector& vector);

// Whether every value lies in [kMinFeatureValue, kMaxFeatureValue] (never true for NaN).
bool AllInRange(const ModelVector& vector);

}  // namespace kelvo
