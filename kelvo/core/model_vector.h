// The model vector: the 45 numbers the speech pipeline leaves at the head of "states.txt" for
// one recording, and the unit of a speaker's profile.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace kelvo {

inline constexpr std::size_t kFeatureCount = 45;
using ModelVector = std::array<double, kFeatureCount>;

enum class ModelVectorUse {
    // A file that runs short still enrols: every position after the last number read gets
    // that number again. At least one number must be there.
    kEnrolment,
    // All 45 numbers must be there.
    kVerification,
};

// Reads the model vector from the text of "states.txt". True when the vector is complete for
// its use and every value is finite; no caller uses the vector otherwise.
bool ParseModelVector(std::string_view text, ModelVectorUse use, ModelVector& vector);

// Reads the model vector from "states.txt" as ParseModelVector does; false when the file does
// not open.
bool ReadModelVector(ModelVector& vector, ModelVectorUse use);

bool AllFinite(const ModelVector& vector);

}  // namespace kelvo
