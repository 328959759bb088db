#include "window_function.h"

#include <cmath>
#include <numbers>

namespace speech {

std::optional<WindowType> ParseWindowType(std::string_view name) {
    if (name == "hamming") {
        return WindowType::kHamming;
    }
    if (name == "hanning") {
        return WindowType::kHanning;
    }
    if (name == "rectangular") {
        return WindowType::kRectangular;
    }
    return std::nullopt;
}

std::vector<double> MakeWindow(WindowType type, std::size_t length) {
    std::vector<double> window(length, 1.0);
    if (type == WindowType::kRectangular || length < 2) {
        return window;
    }
    const double a = type == WindowType::kHamming ? 0.54 : 0.5;
    const double step = 2.0 * std::numbers::pi / static_cast<double>(length - 1);
    for (std::size_t n = 0; n < length; ++n) {
        window[n] = a - (1.0 - a) * std::cos(step * static_cast<double>(n));
    }
    return window;
}

}  // namespace speech
