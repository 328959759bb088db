#include "feature_file.h"

#include <algorithm>
#include <charconv>
#include <span>
#include <type_traits>
#include <vector>

#include "text_io.h"

namespace speech {

namespace {

// Formats the file into `buffer`, handing each full stretch of text to `flush`. A matrix that
// is not const is left holding the values the text reads back as.
template <typename Matrix, typename Flush>
void FormatInPieces(Matrix& features, std::span<char> buffer, Flush flush) {
    const auto write = [](char* at, auto& value) {
        if constexpr (std::is_const_v<Matrix>) {
            return WriteFeatureValue(at, value);
        } else {
            return WriteFeatureValue(at, value, value);
        }
    };
    char* const begin = buffer.data();
    char* const end = begin + buffer.size();
    // Room for the longest row of values before the buffer must be flushed.
    const std::size_t rowRoom = features.dims * (kMaxFeatureValueChars + 1);
    char* at = begin;
    at = std::to_chars(at, end, features.frames).ptr;
    *at++ = ' ';
    at = std::to_chars(at, end, features.dims).ptr;
    *at++ = '\n';
    for (std::size_t frame = 0; frame < features.frames; ++frame) {
        if (static_cast<std::size_t>(end - at) < rowRoom) {
            flush(std::string_view(begin, static_cast<std::size_t>(at - begin)));
            at = begin;
        }
        const auto row = features.Row(frame);
        for (std::size_t dim = 0; dim < row.size(); ++dim) {
            at = write(at, row[dim]);
            *at++ = dim + 1 < row.size() ? ' ' : '\n';
        }
    }
    // The trailing lines, a value at a time with room for it kept free.
    const auto line = [&](std::string_view key, auto& values, bool count) {
        if (static_cast<std::size_t>(end - at) < 64) {
            flush(std::string_view(begin, static_cast<std::size_t>(at - begin)));
            at = begin;
        }
        at = std::copy(key.begin(), key.end(), at);
        if (count) {
            *at++ = ' ';
            at = std::to_chars(at, end, values.size()).ptr;
        }
        for (auto& value : values) {
            if (static_cast<std::size_t>(end - at) < kMaxFeatureValueChars + 2) {
                flush(std::string_view(begin, static_cast<std::size_t>(at - begin)));
                at = begin;
            }
            *at++ = ' ';
            at = write(at, value);
        }
        *at++ = '\n';
    };
    if (!features.pitch.empty()) {
        line("pitch", features.pitch, false);
    }
    if (!features.cepstralMean.empty()) {
        line("cms", features.cepstralMean, true);
    }
    flush(std::string_view(begin, static_cast<std::size_t>(at - begin)));
}

// Room for the count line and at least one row; 64 KiB for the usual rows. A matrix without
// rows needs no room for one, whatever its count of values per row says (a parsed file with no
// frames may claim any number).
std::vector<char> FormatBuffer(const FeatureMatrix& features) {
    const std::size_t rowRoom =
        features.frames == 0 ? 0 : features.dims * (kMaxFeatureValueChars + 1);
    return std::vector<char>(std::max<std::size_t>(std::size_t{1} << 16, 64 + rowRoom));
}

}  // namespace

std::string FormatFeatureFile(const FeatureMatrix& features) {
    std::string text;
    std::vector<char> buffer = FormatBuffer(features);
    FormatInPieces(features, buffer, [&text](std::string_view piece) { text += piece; });
    return text;
}

namespace {

template <typename Matrix>
bool WriteInPieces(const std::string& path, Matrix& features) {
    FileReplacement file(path);
    std::vector<char> buffer = FormatBuffer(features);
    FormatInPieces(features, buffer, [&file](std::string_view piece) { file.Write(piece); });
    return file.Commit();
}

}  // namespace

bool WriteFeatureFile(const std::string& path, const FeatureMatrix& features) {
    return WriteInPieces(path, features);
}

bool WriteFeatureFileAndRound(const std::string& path, FeatureMatrix& features) {
    return WriteInPieces(path, features);
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
    if (reader.TakeWord("pitch")) {
        features.pitch.resize(frames);
        for (float& value : features.pitch) {
            if (!reader.Read(value) || value < 0.0f) {
                return std::nullopt;
            }
        }
    }
    if (reader.TakeWord("cms")) {
        std::size_t count = 0;
        // As for the header's counts: every value needs at least two characters of text.
        if (!reader.Read(count) || count == 0 || count >= dims || count > text.size() / 2) {
            return std::nullopt;
        }
        features.cepstralMean.resize(count);
        for (float& value : features.cepstralMean) {
            if (!reader.Read(value)) {
                return std::nullopt;
            }
        }
    }
    if (!reader.AtEnd()) {
        return std::nullopt;
    }
    return features;
}

}  // namespace speech
