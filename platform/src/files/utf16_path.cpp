#include "utf16_path.h"

#include <new>

namespace platform {
namespace {

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Appends the UTF-8 form of `name`; false for an unpaired surrogate. Linux names are bytes
// expected to be UTF-8, and a lone surrogate has no UTF-8 form.
bool AppendName(std::string& path, LPCWSTR name) {
    for (const WCHAR* unit = name; *unit != u'\0'; ++unit) {
        char32_t code = *unit;
        if (IsHighSurrogate(code) && IsLowSurrogate(unit[1])) {
            code = 0x10000 + ((code - 0xD800) << 10) + (char32_t{unit[1]} - 0xDC00);
            ++unit;
        } else if (IsHighSurrogate(code) || IsLowSurrogate(code)) {
            return false;
        }
        AppendUtf8(path, code);
    }
    return true;
}

}  // namespace

std::optional<std::string> PathFromName(LPCWSTR name) {
    if (name == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    }
    if (name[0] == u'\0') {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    std::string path;
    try {
        if (!AppendName(path, name)) {
            SetLastError(ERROR_INVALID_NAME);
            return std::nullopt;
        }
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return std::nullopt;
    }
    return path;
}

}  // namespace platform
