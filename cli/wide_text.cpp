#include "wide_text.h"

#include <iconv.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>

#include "exit_codes.h"

namespace kelvo_cli {

std::u16string WideFileName(const std::string& name) {
    if (name.size() > INT_MAX / 2) {
        throw CliError(kExitUsage, "file name too long");
    }
    const int bytes = static_cast<int>(name.size());
    // UTF-16 never takes more units than UTF-8 takes bytes.
    std::u16string wide(name.size(), u'\0');
    const int units = name.empty() ? 0
                                   : MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(),
                                                         bytes, wide.data(), bytes);
    if (units <= 0 && !name.empty()) {
        throw CliError(kExitUsage, name + ": the file name is not valid UTF-8");
    }
    wide.resize(static_cast<std::size_t>(units));
    return wide;
}

std::string Utf8FromWide(const WCHAR* text) {
    std::string out;
    if (text == nullptr) {
        return out;
    }
    std::u16string_view wide(text);
    iconv_t converter =
        iconv_open("UTF-8", std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return out;
    }
    // iconv's interface takes non-const input pointers; it only reads through them.
    std::string input(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(WCHAR));
    char* in = input.data();
    std::size_t inLeft = input.size();
    std::string buffer(4 * wide.size() + 4, '\0');
    char* to = buffer.data();
    std::size_t toLeft = buffer.size();
    while (inLeft > 0) {
        if (iconv(converter, &in, &inLeft, &to, &toLeft) != static_cast<std::size_t>(-1)) {
            break;
        }
        if (errno != EILSEQ && errno != EINVAL) {
            break;
        }
        // An unpaired surrogate: shown as '?', the conversion goes on after it.
        *to++ = '?';
        --toLeft;
        in += sizeof(WCHAR);
        inLeft -= std::min(inLeft, sizeof(WCHAR));
    }
    iconv_close(converter);
    out.assign(buffer.data(), static_cast<std::size_t>(to - buffer.data()));
    return out;
}

}  // namespace kelvo_cli
