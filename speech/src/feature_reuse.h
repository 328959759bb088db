// The features of the recording the front end computed last, kept so that the same content
// with the same settings is not computed again in this process. The pipeline runs one pass
// per recording and often hands over the same take more than once (the demo enrols one take
// as two recordings, then verifies it), and the front end is most of a pass's time.
//
// Content decides, never a file's name: the samples are compared byte for byte, with every
// setting. Only the last recording is kept, so that memory stays bounded by the longest
// recording taken; and it is let go of as soon as a different recording arrives, before that
// one is computed, so a pass that computes needs no more memory than it did without reuse.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "feature_matrix.h"
#include "frontend_options.h"

namespace speech {

// Forgets the remembered recording.
void ForgetComputedFeatures();

// A copy of the remembered features when samples (a recording's bytes, as ReadRecordingBytes
// gives them) and options are exactly those they were computed from. Otherwise nothing, and
// the remembered recording is forgotten to free its memory for computing this one.
std::optional<FeatureMatrix> ReusableFeatures(std::string_view samples,
                                              const FrontEndOptions& options);

// Remembers the features computed from samples with options, in place of whatever was
// remembered.
void RememberComputedFeatures(std::string samples, const FrontEndOptions& options,
                              const FeatureMatrix& features);

// How many times ReusableFeatures has given features, for tests to see that reuse was taken.
std::size_t ReusedFeatureCount();

}  // namespace speech
