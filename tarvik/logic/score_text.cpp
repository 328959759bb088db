#include "score_text.h"

#include <charconv>
#include <cmath>

std::string ScoreText(double score) {
    double rounded = std::round(score);
    if (rounded == 0.0) {
        rounded = 0.0;  // -0.4 rounds to -0.0, which would print as "-0"
    }
    // Fixed notation of the largest double: a sign and 309 digits.
    char text[320];
    const auto result =
        std::to_chars(text, text + sizeof text, rounded, std::chars_format::fixed, 0);
    return std::string(text, result.ptr);
}
