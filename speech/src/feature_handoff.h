// Features that ExtractFeatures has just written, handed to InitHMM in the same process so
// that it need not parse the file it would read back. InitHMM takes them only while the file
// is the very one written (same device, inode, size and modification time); otherwise it
// reads the file. The values handed over are those a reader gets from the file's text, so the
// result is the same either way.
#pragma once

#include <optional>
#include <string>

#include "feature_matrix.h"

namespace speech {

// Forgets everything remembered so far.
void ForgetWrittenFeatures();

// Remembers the features just written to path, holding the values a reader of the file gets
// back (as WriteFeatureFileAndRound leaves them).
void RememberWrittenFeatures(const std::string& path, FeatureMatrix features);

// The features written to path, when the file is still the one written; they are then
// forgotten.
std::optional<FeatureMatrix> TakeWrittenFeatures(const std::string& path);

}  // namespace speech
