#include "mean_normalization.h"

namespace speech {

std::vector<double> SubtractColumnMeans(const FeatureTable& table, std::size_t first,
                                        std::size_t count) {
    std::vector<double> means(count, 0.0);
    if (table.frames == 0) {
        return means;
    }
    for (std::size_t column = first; column < first + count; ++column) {
        double sum = 0.0;
        for (std::size_t t = 0; t < table.frames; ++t) {
            sum += table.At(t, column);
        }
        const double mean = sum / static_cast<double>(table.frames);
        for (std::size_t t = 0; t < table.frames; ++t) {
            table.At(t, column) -= mean;
        }
        means[column - first] = mean;
    }
    return means;
}

}  // namespace speech
