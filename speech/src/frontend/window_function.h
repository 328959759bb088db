// The taper applied to each frame before its spectrum is taken.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace speech {

enum class WindowType { kHamming, kHanning, kRectangular };

std::optional<WindowType> ParseWindowType(std::string_view name);

// The window's length weights: hamming 0.54 - 0.46 cos(2 pi n / (L - 1)), hanning
// 0.5 - 0.5 cos(2 pi n / (L - 1)), rectangular all 1. length >= 2.
std::vector<double> MakeWindow(WindowType type, std::size_t length);

}  // namespace speech
