// The speech library's feature file reader on any text. What it accepts must be consistent and
// written back by the writer into a text that reads back to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "feature_file.h"

namespace {

bool Consistent(const speech::FeatureMatrix& features) {
    return features.values.size() == features.frames * features.dims &&
           (features.pitch.empty() || features.pitch.size() == features.frames) &&
           features.cepstralMean.size() < features.dims;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto parsed = speech::ParseFeatureFile(text);
    if (!parsed) {
        return 0;
    }
    if (!Consistent(*parsed)) {
        std::abort();
    }
    const std::string written = speech::FormatFeatureFile(*parsed);
    const auto reread = speech::ParseFeatureFile(written);
    if (!reread || !Consistent(*reread) || speech::FormatFeatureFile(*reread) != written) {
        std::abort();
    }
    return 0;
}
