#include "utf8_decode.h"

namespace platform {
namespace {

bool InRange(unsigned char byte, unsigned char low, unsigned char high) {
    return byte >= low && byte <= high;
}

DecodedCharacter Invalid(std::size_t length) {
    return {kReplacementCharacter, length, false};
}

}  // namespace

DecodedCharacter DecodeUtf8(const unsigned char* bytes, std::size_t available) {
    const unsigned char lead = bytes[0];
    if (lead < 0x80) {
        return {lead, 1, true};
    }
    // The well-formed sequences: the length and value bits from the lead byte, and the range
    // of the second byte, which is what excludes overlong forms, surrogates and values beyond
    // U+10FFFF. Later bytes are plain continuation bytes 80..BF.
    std::size_t length = 0;
    char32_t code = 0;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
    if (InRange(lead, 0xC2, 0xDF)) {
        length = 2;
        code = lead & 0x1Fu;
    } else if (InRange(lead, 0xE0, 0xEF)) {
        length = 3;
        code = lead & 0x0Fu;
        if (lead == 0xE0) {
            secondLow = 0xA0;
        } else if (lead == 0xED) {
            secondHigh = 0x9F;
        }
    } else if (InRange(lead, 0xF0, 0xF4)) {
        length = 4;
        code = lead & 0x07u;
        if (lead == 0xF0) {
            secondLow = 0x90;
        } else if (lead == 0xF4) {
            secondHigh = 0x8F;
        }
    } else {
        return Invalid(1);  // a continuation byte, C0, C1 or F5..FF
    }
    for (std::size_t index = 1; index < length; ++index) {
        if (index >= available) {
            return Invalid(index);
        }
        const unsigned char byte = bytes[index];
        const bool fits =
            index == 1 ? InRange(byte, secondLow, secondHigh) : InRange(byte, 0x80, 0xBF);
        if (!fits) {
            return Invalid(index);
        }
        code = (code << 6) | (byte & 0x3Fu);
    }
    return {code, length, true};
}

std::size_t EncodeUtf16(char32_t code, char16_t units[2]) {
    if (code < 0x10000) {
        units[0] = static_cast<char16_t>(code);
        return 1;
    }
    const char32_t offset = code - 0x10000;
    units[0] = static_cast<char16_t>(0xD800 + (offset >> 10));
    units[1] = static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
    return 2;
}

}  // namespace platform
