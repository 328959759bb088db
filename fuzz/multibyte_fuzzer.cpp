// MultiByteToWideChar on any bytes. The input's first byte picks the code page, the flags and
// whether the text is passed with its length or as a null-terminated string; the rest is the
// text. Each call asks for the size first, then converts into a buffer of exactly that size
// and into one a unit too small.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>

namespace {

constexpr UINT kCodePages[] = {CP_ACP, CP_UTF8, 1252};
constexpr DWORD kFlags[] = {0, MB_PRECOMPOSED, MB_ERR_INVALID_CHARS,
                            MB_PRECOMPOSED | MB_ERR_INVALID_CHARS, 0x2};

// UTF-16 without an unpaired surrogate: what any conversion of UTF-8 gives.
bool WellFormed(const std::vector<WCHAR>& units) {
    for (std::size_t at = 0; at < units.size(); ++at) {
        const char16_t unit = units[at];
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (at + 1 == units.size() || units[at + 1] < 0xDC00 || units[at + 1] > 0xDFFF) {
                return false;
            }
            ++at;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

// The conversion of `text` (`count` bytes, or -1), checked against its own size query; the
// units, or nothing when the query fails.
std::vector<WCHAR> Convert(UINT codePage, DWORD flags, const char* text, int count) {
    const int needed = MultiByteToWideChar(codePage, flags, text, count, nullptr, 0);
    if (needed <= 0) {
        if (needed < 0) {
            std::abort();
        }
        return {};
    }
    std::vector<WCHAR> wide(static_cast<std::size_t>(needed));
    if (MultiByteToWideChar(codePage, flags, text, count, wide.data(), needed) != needed ||
        !WellFormed(wide)) {
        std::abort();
    }
    std::vector<WCHAR> shorter(static_cast<std::size_t>(needed - 1) + 1);  // never empty
    if (needed > 1 &&
        (MultiByteToWideChar(codePage, flags, text, count, shorter.data(), needed - 1) != 0 ||
         GetLastError() != ERROR_INSUFFICIENT_BUFFER)) {
        std::abort();
    }
    return wide;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 1 << 16) {
        return 0;
    }
    const unsigned pick = data[0];
    const UINT codePage = kCodePages[pick % std::size(kCodePages)];
    const DWORD flags = kFlags[pick / 3 % std::size(kFlags)];
    const bool terminated = (pick & 0x80) != 0;

    // A copy of exactly the text's bytes, so that a read past them is caught.
    std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (terminated) {
        text = text.substr(0, text.find('\0'));
    }
    std::vector<char> bytes(text.begin(), text.end());
    if (terminated) {
        bytes.push_back('\0');
    }
    if (bytes.empty()) {
        return 0;
    }
    const int count = terminated ? -1 : static_cast<int>(bytes.size());
    const std::vector<WCHAR> wide = Convert(codePage, flags, bytes.data(), count);

    // Text that converts strictly converts the same without the check.
    if ((flags & MB_ERR_INVALID_CHARS) != 0 && !wide.empty() &&
        Convert(codePage, flags & ~MB_ERR_INVALID_CHARS, bytes.data(), count) != wide) {
        std::abort();
    }
    return 0;
}
