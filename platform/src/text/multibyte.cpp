// MultiByteToWideChar: UTF-8 to UTF-16. The system code page (CP_ACP) is UTF-8 here, as it
// is for the rest of Linux; no other code page exists. With CP_UTF8 the flags are 0 or
// MB_ERR_INVALID_CHARS, as the original documents for UTF-8; with CP_ACP, MB_PRECOMPOSED is
// accepted too and does nothing: the text keeps whatever composition it has.
#include <climits>
#include <cstring>

#include <windows.h>

#include "utf8_decode.h"

namespace {

constexpr DWORD kUtf8Flags = MB_ERR_INVALID_CHARS;
constexpr DWORD kSystemCodePageFlags = MB_PRECOMPOSED | MB_ERR_INVALID_CHARS;

int Fail(DWORD error) {
    SetLastError(error);
    return 0;
}

}  // namespace

// Converts `multiByteCount` bytes, or with -1 the string and its terminator. With
// `wideCount` 0 it only returns the units needed; otherwise it fills `wide` and returns the
// units written, or fails with ERROR_INSUFFICIENT_BUFFER when they do not fit.
extern "C" int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int multiByteCount,
                                   LPWSTR wide, int wideCount) {
    if (codePage != CP_ACP && codePage != CP_UTF8) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if ((flags & ~(codePage == CP_UTF8 ? kUtf8Flags : kSystemCodePageFlags)) != 0) {
        return Fail(ERROR_INVALID_FLAGS);
    }
    if (multiByte == nullptr || multiByteCount == 0 || multiByteCount < -1 || wideCount < 0 ||
        (wide == nullptr && wideCount > 0)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    const std::size_t length = multiByteCount == -1 ? std::strlen(multiByte) + 1
                                                    : static_cast<std::size_t>(multiByteCount);
    const bool strict = (flags & MB_ERR_INVALID_CHARS) != 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(multiByte);
    const auto capacity = static_cast<std::size_t>(wideCount);
    std::size_t written = 0;
    for (std::size_t at = 0; at < length;) {
        const platform::DecodedCharacter decoded = platform::DecodeUtf8(bytes + at, length - at);
        if (!decoded.valid && strict) {
            return Fail(ERROR_NO_UNICODE_TRANSLATION);
        }
        at += decoded.length;
        char16_t units[2] = {};
        const std::size_t count = platform::EncodeUtf16(decoded.code, units);
        if (capacity != 0) {
            if (written + count > capacity) {
                return Fail(ERROR_INSUFFICIENT_BUFFER);
            }
            for (std::size_t unit = 0; unit < count; ++unit) {
                wide[written + unit] = units[unit];
            }
        }
        written += count;
        if (written > INT_MAX) {  // only a string longer than INT_MAX bytes gets here
            return Fail(ERROR_INVALID_PARAMETER);
        }
    }
    return static_cast<int>(written);
}
