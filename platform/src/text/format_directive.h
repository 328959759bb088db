// The conversion specifications of wsprintfW: %[-][#][0][width][.precision][size]type.
#pragma once

#include <cstddef>

namespace platform {

enum class ArgumentSize {
    kDefault,
    kShort,    // h: a short integer, or a narrow character or string
    kLong,     // l or w: an int-sized integer (long is 32 bits on the original), or wide text
    kInt64,    // I64: a 64-bit integer
    kPointer,  // I: an integer of a pointer's size (size_t)
};

struct FormatSpec {
    bool leftAlign = false;  // '-'
    bool alternate = false;  // '#': 0x / 0X before non-zero hexadecimal numbers
    bool zeroPad = false;    // '0'
    int width = 0;
    int precision = -1;  // -1 when not given
    ArgumentSize size = ArgumentSize::kDefault;
    char16_t type = u'\0';   // the conversion character, '\0' when the format ended first
    std::size_t length = 0;  // format units from the '%' through the conversion character
};

// Parses the directive starting at `format[0]`, which is '%'. Widths and precisions
// larger than the output could ever hold are clamped.
FormatSpec ParseFormatSpec(const char16_t* format);

}  // namespace platform
