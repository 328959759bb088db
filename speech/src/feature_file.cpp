#include "feature_file.h"

#include <charconv>
#include <memory>

#include "text_io.h"

namespace speech {

std::string FormatFeatureFile(const FeatureMatrix& features) {
    // Written straight into one buffer sized for the longest values, then trimmed.
    const std::size_t bound = 48 + features.values.size() * (kMaxFeatureValueChars + 1);
    const auto buffer = std::make_unique_for_overwrite<char[]>(bound);
    char* at = buffer.get();
    at = std::to_chars(at, at + 24, features.frames).ptr;
    *at++ = ' ';
    at = std::to_chars(at, at + 24, features.dims).ptr;
    *at++ = '\n';
    for (std::size_t frame = 0; frame < features.frames; ++frame) {
        const auto row = features.Row(frame);
        for (std::size_t dim = 0; dim < row.size(); ++dim) {
            at = WriteFeatureValue(at, row[dim]);
            *at++ = dim + 1 < row.size() ? ' ' : '\n';
        }
    }
    return std::string(buffer.get(), at);
}

std::optional<FeatureMatrix> ParseFeatureFile(std::string_view text) {
    NumberReader reader(text);
    std::size_t frames = 0;
    std::size_t dims = 0;
    // A bound on the counts keeps a damaged header from asking for absurd memory: every
    // value needs at least two characters of text.
    if (!reader.Read(frames) || !reader.Read(dims) || dims == 0 ||
        frames > text.size() / 2 / dims) {
        return std::nullopt;
    }
    FeatureMatrix features(frames, dims);
    for (float& value : features.values) {
        if (!reader.Read(value)) {
            return std::nullopt;
        }
    }
    if (!reader.AtEnd()) {
        return std::nullopt;
    }
    return features;
}

}  // namespace speech
