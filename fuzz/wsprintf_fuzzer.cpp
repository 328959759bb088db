// wsprintfW on any format string. The input's first byte picks the argument values, the rest is
// the format in UTF-16LE (a final odd byte is dropped; the first null unit ends it).
//
// A format's directives say which arguments it reads, so each directive is parsed here with
// the parser wsprintfW uses, and an argument of the type it reads is passed: an int for
// %d %i %c %C, an unsigned int for %u %x %X, 64-bit numbers with I64, a narrow or a wide string
// for %s and %S by their size mark. The format is cut before its fifth directive that reads an
// argument; everything else (flags, widths, precisions, unknown conversions, text) is fuzzed
// as it comes. The output buffer has the 1024 units wsprintfW promises to stay within.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>

#include "format_directive.h"

namespace {

constexpr std::size_t kBufferUnits = 1024;
constexpr std::size_t kMaxArguments = 4;

enum class Kind { kInt, kUnsigned, kInt64, kUnsigned64, kPointer, kNarrow, kWide };

// The argument a directive reads; false for one that reads none.
bool ArgumentKind(const platform::FormatSpec& directive, Kind& kind) {
    // I64 numbers, and I (pointer-sized) ones on this 64-bit build.
    static_assert(sizeof(void*) == sizeof(long long));
    const bool int64 = directive.size == platform::ArgumentSize::kInt64 ||
                       directive.size == platform::ArgumentSize::kPointer;
    switch (directive.type) {
        case u'd':
        case u'i':
            kind = int64 ? Kind::kInt64 : Kind::kInt;
            return true;
        case u'u':
        case u'x':
        case u'X':
            kind = int64 ? Kind::kUnsigned64 : Kind::kUnsigned;
            return true;
        case u'p':
            kind = Kind::kPointer;
            return true;
        case u'c':
        case u'C':
            kind = Kind::kInt;
            return true;
        case u's':
        case u'S': {
            const bool narrow =
                directive.size == platform::ArgumentSize::kShort ||
                (directive.type == u'S' && directive.size != platform::ArgumentSize::kLong);
            kind = narrow ? Kind::kNarrow : Kind::kWide;
            return true;
        }
        default:
            return false;
    }
}

const std::u16string& LongWide() {
    static const std::u16string text(1500, u'w');
    return text;
}

const std::string& LongNarrow() {
    static const std::string text = [] {
        std::string built;
        for (int index = 0; index < 700; ++index) {
            built += "\xC3\xA9";  // two bytes, one unit
        }
        return built;
    }();
    return text;
}

// Values chosen by the input's first byte and the argument's position.
struct Values {
    unsigned pick;

    unsigned Index(std::size_t position, unsigned count) const {
        return static_cast<unsigned>((pick + position * 7) % count);
    }
    int Int(std::size_t position) const {
        static constexpr int values[] = {0,       1,      -1,     42,     INT_MIN,
                                         INT_MAX, 0xD83D, 0xDE00, 0xFFFF, 0x10000};
        return values[Index(position, std::size(values))];
    }
    unsigned Unsigned(std::size_t position) const {
        static constexpr unsigned values[] = {0u, 1u, 0xBEEFu, 0x7FFFFFFFu, 0x80000000u, UINT_MAX};
        return values[Index(position, std::size(values))];
    }
    long long Int64(std::size_t position) const {
        static constexpr long long values[] = {0, -1, LLONG_MIN, LLONG_MAX, -5000000000LL};
        return values[Index(position, std::size(values))];
    }
    unsigned long long Unsigned64(std::size_t position) const {
        static constexpr unsigned long long values[] = {0u, 0x123456789u, ULLONG_MAX};
        return values[Index(position, std::size(values))];
    }
    const void* Pointer(std::size_t position) const {
        static const int object = 0;
        static const void* const values[] = {nullptr, &object};
        return values[Index(position, std::size(values))];
    }
    const char* Narrow(std::size_t position) const {
        static const char* const values[] = {
            "",      "abc",     "c\xC3\xA9", "\xF0\x9F\x98\x80", "\xFF\xC0\x80\xED\xA0\x80",
            nullptr, "\xE2\x82"};
        const unsigned index = Index(position, std::size(values) + 1);
        return index == std::size(values) ? LongNarrow().c_str() : values[index];
    }
    const char16_t* Wide(std::size_t position) const {
        static const char16_t* const values[] = {u"",        u"abc",          u"a\U0001F600",
                                                 u"\xD800x", u"\xDC00\xD800", nullptr};
        const unsigned index = Index(position, std::size(values) + 1);
        return index == std::size(values) ? LongWide().c_str() : values[index];
    }
};

struct Call {
    const char16_t* format;
    const std::vector<Kind>& kinds;
    Values values;
    char16_t* buffer;
};

// Passes the arguments the directives read, in order, one kind at a time.
template <typename... Args>
int Format(const Call& call, Args... args) {
    constexpr std::size_t position = sizeof...(Args);
    if constexpr (position == kMaxArguments) {
        return wsprintfW(call.buffer, call.format, args...);
    } else {
        if (position == call.kinds.size()) {
            return wsprintfW(call.buffer, call.format, args...);
        }
        switch (call.kinds[position]) {
            case Kind::kInt:
                return Format(call, args..., call.values.Int(position));
            case Kind::kUnsigned:
                return Format(call, args..., call.values.Unsigned(position));
            case Kind::kInt64:
                return Format(call, args..., call.values.Int64(position));
            case Kind::kUnsigned64:
                return Format(call, args..., call.values.Unsigned64(position));
            case Kind::kPointer:
                return Format(call, args..., call.values.Pointer(position));
            case Kind::kNarrow:
                return Format(call, args..., call.values.Narrow(position));
            case Kind::kWide:
                return Format(call, args..., call.values.Wide(position));
        }
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    std::u16string format;
    for (std::size_t at = 1; at + 1 < size; at += 2) {
        const auto unit = static_cast<char16_t>(data[at] | data[at + 1] << 8);
        if (unit == u'\0') {
            break;
        }
        format.push_back(unit);
    }

    std::vector<Kind> kinds;
    for (std::size_t at = 0; at < format.size();) {
        if (format[at] != u'%') {
            ++at;
            continue;
        }
        const platform::FormatSpec directive = platform::ParseFormatSpec(format.c_str() + at);
        if (directive.length == 0 || at + directive.length > format.size()) {
            std::abort();  // a directive runs past the end of the format
        }
        Kind kind{};
        if (ArgumentKind(directive, kind)) {
            if (kinds.size() == kMaxArguments) {
                format.resize(at);
                break;
            }
            kinds.push_back(kind);
        }
        at += directive.length;
    }

    std::vector<char16_t> buffer(kBufferUnits, u'\xFFFF');
    const int written = wsprintfW(buffer.data(), nullptr);
    if (written != 0 || buffer[0] != u'\0') {
        std::abort();
    }
    const Call call{format.c_str(), kinds, Values{data[0]}, buffer.data()};
    const int length = Format(call);
    if (length < 0 || static_cast<std::size_t>(length) >= kBufferUnits ||
        buffer[static_cast<std::size_t>(length)] != u'\0') {
        std::abort();
    }
    return 0;
}
