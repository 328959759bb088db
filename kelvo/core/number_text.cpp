#include "kelvo/core/number_text.h"

#include <charconv>
#include <limits>
#include <system_error>

namespace kelvo {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::size_t NumberScanner::NumberStart() {
    while (position_ < text_.size() && IsSpace(text_[position_])) {
        ++position_;
    }
    std::size_t start = position_;
    // std::from_chars takes a '-' but not a '+'; a '+' followed by another sign is no number.
    if (start + 1 < text_.size() && text_[start] == '+' && text_[start + 1] != '-' &&
        text_[start + 1] != '+') {
        ++start;
    }
    return start;
}

bool NumberScanner::ReadDouble(double& value) {
    const std::size_t start = NumberStart();
    const char* first = text_.data() + start;
    const char* last = text_.data() + text_.size();
    double parsed = 0.0;
    const auto [end, error] = std::from_chars(first, last, parsed, std::chars_format::general);
    if (error == std::errc::invalid_argument) {
        return false;
    }
    value =
        error == std::errc::result_out_of_range ? std::numeric_limits<double>::quiet_NaN() : parsed;
    position_ = static_cast<std::size_t>(end - text_.data());
    return true;
}

bool NumberScanner::ReadInt(int& value) {
    const std::size_t start = NumberStart();
    const char* first = text_.data() + start;
    const char* last = text_.data() + text_.size();
    int parsed = 0;
    const auto [end, error] = std::from_chars(first, last, parsed);
    if (error != std::errc{}) {
        // An int that does not fit is no readable number: "%d" would have undefined behaviour.
        return false;
    }
    value = parsed;
    position_ = static_cast<std::size_t>(end - text_.data());
    return true;
}

void AppendScientific(std::string& out, double value) {
    char buffer[32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 6);
    out.append(buffer, result.ptr);
}

void AppendDecimal(std::string& out, int value) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

}  // namespace kelvo
