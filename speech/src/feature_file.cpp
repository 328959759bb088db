#include "feature_file.h"

#include "text_io.h"

namespace speech {

std::string FormatFeatureFile(const FeatureMatrix& features) {
    std::string text;
    text.reserve(16 + features.values.size() * 12);
    AppendNumber(text, features.frames);
    text += ' ';
    AppendNumber(text, features.dims);
    text += '\n';
    for (std::size_t frame = 0; frame < features.frames; ++frame) {
        const auto row = features.Row(frame);
        for (std::size_t dim = 0; dim < row.size(); ++dim) {
            if (dim > 0) {
                text += ' ';
            }
            AppendFeatureValue(text, row[dim]);
        }
        text += '\n';
    }
    return text;
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
