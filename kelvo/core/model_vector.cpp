#include "kelvo/core/model_vector.h"

#include <algorithm>
#include <cmath>

#include "kelvo/core/feature_pipeline.h"
#include "kelvo/core/number_text.h"
#include "kelvo/core/text_file.h"

namespace kelvo {

bool AllFinite(const ModelVector& vector) {
    return std::all_of(vector.begin(), vector.end(), [](double v) { return std::isfinite(v); });
}

bool AllInRange(const ModelVector& vector) {
    return std::all_of(vector.begin(), vector.end(),
                       [](double v) { return v >= kMinFeatureValue && v <= kMaxFeatureValue; });
}

bool ParseModelVector(std::string_view text, ModelVectorUse use, ModelVector& vector) {
    NumberScanner scanner(text);
    std::size_t numbersRead = 0;
    double last = 0.0;
    for (double& value : vector) {
        if (scanner.ReadDouble(last)) {
            ++numbersRead;
        }
        value = last;
    }
    const bool complete =
        use == ModelVectorUse::kEnrolment ? numbersRead > 0 : numbersRead == kFeatureCount;
    return complete && AllInRange(vector);
}

bool ReadModelVector(ModelVector& vector, ModelVectorUse use) {
    const auto text = ReadTextFile(kStatesFile, kMaxStatesFileSize);
    return text.has_value() && ParseModelVector(*text, use, vector);
}

}  // namespace kelvo
