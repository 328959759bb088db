// UTF-8 decoding and UTF-16 encoding, shared by MultiByteToWideChar and the narrow-string
// conversions of wsprintfW.
#pragma once

#include <cstddef>

namespace platform {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

struct DecodedCharacter {
    char32_t code;       // kReplacementCharacter when not valid
    std::size_t length;  // bytes consumed, at least 1
    bool valid;
};

// Decodes the character at the start of `bytes` (`available` > 0 bytes). Overlong forms,
// surrogates, values beyond U+10FFFF, stray continuation bytes and sequences cut short are
// invalid; an invalid sequence consumes its longest valid-looking prefix (at least one byte),
// so each maximal ill-formed part becomes one replacement character, as Unicode recommends.
DecodedCharacter DecodeUtf8(const unsigned char* bytes, std::size_t available);

// Stores the UTF-16 form of `code` (one unit, or a surrogate pair above U+FFFF) in `units`
// and returns how many units it takes.
std::size_t EncodeUtf16(char32_t code, char16_t units[2]);

}  // namespace platform
