// The ascii feature file: a first line "<frames> <dims>", then one line per frame with its
// dims values, blank-separated, with four decimals; then, when known, a line "pitch" followed
// by the pitch of every frame, and a line "cms <N>" followed by the N cepstral means that mean
// normalisation removed.
#pragma once

#include <optional>
#include <string>

#include "feature_matrix.h"

namespace speech {

std::string FormatFeatureFile(const FeatureMatrix& features);

// Writes the feature file whole or not at all, through a buffer of fixed size rather than the
// whole text at once.
bool WriteFeatureFile(const std::string& path, const FeatureMatrix& features);
// The same, and leaves in `features` the values a reader of the file gets back, so that they
// can stand in for the file without another pass over them (see RoundTripFeatureValue).
bool WriteFeatureFileAndRound(const std::string& path, FeatureMatrix& features);

// Nothing when the text is malformed: counts missing or not matching the values that follow,
// a value that is not a finite number, anything after the last value.
std::optional<FeatureMatrix> ParseFeatureFile(std::string_view text);

}  // namespace speech
