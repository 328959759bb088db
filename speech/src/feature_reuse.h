// The features of the recording the front end computed last, kept so that the same content
// with the same settings is not computed again in this process. The pipeline runs one pass
// per recording and often hands over the same take more than once (the demo enrols one take
// as two recordings, then verifies it), and the front end is most of a pass's time.
//
// Content decides, never a file's name: the samples are compared one by one, exactly, with
// every setting. Only the last recording is kept, so that memory stays bounded by the longest
// recording taken; and it is let go of as soon as a different recording arrives, before that
// one is computed, so a pass that computes needs no more memory than it did without reuse.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "feature_matrix.h"
#include "frontend_options.h"

namespace speech {

// A recording's samples at one byte each. Recordings hold 8-bit samples, so this is exact.
using CompactSamples = std::vector<std::int8_t>;

// The samples in a byte each, or nothing when one is not exactly an integer in [-128, 127]
// (such a recording is never remembered, rather than compared inexactly).
std::optional<CompactSamples> Compact(std::span<const double> samples);

// Forgets the remembered recording.
void ForgetComputedFeatures();

// A copy of the remembered features when samples and options are exactly those they were
// computed from; samples are then let go of before the copy is made, as computing would have
// taken them. Otherwise nothing, samples are left alone, and the remembered recording is
// forgotten to free its memory for computing this one.
std::optional<FeatureMatrix> ReusableFeatures(std::vector<double>& samples,
                                              const FrontEndOptions& options);

// Remembers the features computed from samples (as Compact gave them) with options, in place
// of whatever was remembered.
void RememberComputedFeatures(CompactSamples samples, const FrontEndOptions& options,
                              const FeatureMatrix& features);

// How many times ReusableFeatures has given features, for tests to see that reuse was taken.
std::size_t ReusedFeatureCount();

}  // namespace speech
