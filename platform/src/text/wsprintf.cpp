// wsprintfW: formats into a buffer of at most 1024 wide characters, terminator included.
//
// Conversions: %s wide string (%hs and %S narrow), %c wide character (%hc and %C narrow; a
// character of value zero is left out), %d %i signed, %u %x %X unsigned, %p a pointer in
// hexadecimal. The l (and w) size marks wide text or an int-sized number: long is 32 bits on
// the original, so %ld and %lu take a LONG or DWORD; I (%Ix) takes a number of a pointer's size
// and I64 (%I64d, %I64u, %I64x) a 64-bit one. Narrow text is UTF-8, the system code page.
// Flags and fields as the original documents them: '-' aligns left; '#' puts 0x or 0X before
// every hexadecimal number, zero too; '0' pads the width with zeros (after the sign or 0x),
// with a precision too; the precision is the minimum number of digits, where 0 or nothing
// after the '.' means 1 ("%0.6d" of 21 gives "000021", "%.0d" of 0 gives "0"), and the maximum
// number of characters of a string. '*' is not supported, as on the original. After a '%', a
// character that is no conversion stands for itself ("%%" gives "%", "%q" gives "q"). Text
// beyond the limit is cut off, never a surrogate pair in half.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include <windows.h>

#include "format_directive.h"
#include "utf8_decode.h"

namespace {

using platform::ArgumentSize;
using platform::FormatSpec;

constexpr std::size_t kLimit = 1024;  // characters, terminator included

class Output {
  public:
    explicit Output(char16_t* buffer) : buffer_(buffer) {}

    void Put(char16_t unit) {
        const bool highSurrogate = unit >= 0xD800 && unit <= 0xDBFF;
        // Once something is cut off, everything after it is too.
        if (full_ || count_ + (highSurrogate ? 2 : 1) > kLimit - 1) {
            full_ = true;
            return;
        }
        buffer_[count_++] = unit;
    }

    void Repeat(char16_t unit, int times) {
        for (int index = 0; index < times; ++index) {
            Put(unit);
        }
    }

    int Finish() {
        buffer_[count_] = u'\0';
        return static_cast<int>(count_);
    }

  private:
    char16_t* buffer_;
    std::size_t count_ = 0;
    bool full_ = false;
};

// The variable arguments, passed on by reference between the helpers.
struct Arguments {
    va_list list;
};

// Text to be padded to a width: a wide string, or a narrow one decoded from UTF-8.
struct Text {
    const char16_t* wide = nullptr;
    const char* narrow = nullptr;
    std::size_t narrowLength = 0;
};

// The UTF-16 units of `text`, at most `limit` of them; with `emit` false only counted.
int WriteText(const Text& text, int limit, Output* output) {
    int count = 0;
    auto put = [&](const char16_t* units, int n) {
        if (count + n > limit) {
            return false;
        }
        for (int index = 0; index < n; ++index) {
            if (output != nullptr) {
                output->Put(units[index]);
            }
        }
        count += n;
        return true;
    };
    if (text.wide != nullptr) {
        for (const char16_t* unit = text.wide; *unit != u'\0'; ++unit) {
            const bool pair =
                *unit >= 0xD800 && *unit <= 0xDBFF && unit[1] >= 0xDC00 && unit[1] <= 0xDFFF;
            if (!put(unit, pair ? 2 : 1)) {
                break;
            }
            unit += pair ? 1 : 0;
        }
        return count;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.narrow);
    for (std::size_t at = 0; at < text.narrowLength;) {
        const platform::DecodedCharacter decoded =
            platform::DecodeUtf8(bytes + at, text.narrowLength - at);
        at += decoded.length;
        char16_t units[2] = {};
        const std::size_t n = platform::EncodeUtf16(decoded.code, units);
        if (!put(units, static_cast<int>(n))) {
            break;
        }
    }
    return count;
}

void FormatText(const FormatSpec& spec, const Text& text, Output& output) {
    const int limit = spec.precision >= 0 ? spec.precision : static_cast<int>(kLimit);
    const int length = WriteText(text, limit, nullptr);
    const int padding = spec.width > length ? spec.width - length : 0;
    if (!spec.leftAlign) {
        output.Repeat(spec.zeroPad ? u'0' : u' ', padding);
    }
    WriteText(text, limit, &output);
    if (spec.leftAlign) {
        output.Repeat(u' ', padding);
    }
}

void FormatNumber(const FormatSpec& spec, std::uint64_t magnitude, bool negative, Output& output) {
    const bool hex = spec.type == u'x' || spec.type == u'X' || spec.type == u'p';
    const bool upper = spec.type == u'X' || spec.type == u'p';
    const char* digitSet = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char16_t digits[24] = {};
    int digitCount = 0;
    for (std::uint64_t rest = magnitude; rest != 0; rest /= hex ? 16 : 10) {
        digits[digitCount++] = static_cast<char16_t>(digitSet[rest % (hex ? 16 : 10)]);
    }
    // The precision is the minimum number of digits, the sign not counted; 0, or none, is 1.
    const int minimumDigits = spec.precision > 1 ? spec.precision : 1;
    const int leadingZeros = minimumDigits > digitCount ? minimumDigits - digitCount : 0;
    char16_t prefix[2] = {};
    int prefixLength = 0;
    if (negative) {
        prefix[prefixLength++] = u'-';
    } else if ((spec.type == u'x' || spec.type == u'X') && spec.alternate) {
        prefix[prefixLength++] = u'0';
        prefix[prefixLength++] = spec.type;
    }
    const int length = prefixLength + leadingZeros + digitCount;
    const int padding = spec.width > length ? spec.width - length : 0;
    // '0' pads with zeros after the sign or prefix, unless '-' aligns the number left.
    const bool zeroFill = spec.zeroPad && !spec.leftAlign;
    if (!spec.leftAlign && !zeroFill) {
        output.Repeat(u' ', padding);
    }
    for (int index = 0; index < prefixLength; ++index) {
        output.Put(prefix[index]);
    }
    output.Repeat(u'0', leadingZeros + (zeroFill ? padding : 0));
    for (int index = digitCount; index > 0; --index) {
        output.Put(digits[index - 1]);
    }
    if (spec.leftAlign) {
        output.Repeat(u' ', padding);
    }
}

void FormatSigned(const FormatSpec& spec, Arguments& args, Output& output) {
    std::int64_t value = 0;
    if (spec.size == ArgumentSize::kInt64) {
        value = va_arg(args.list, long long);
    } else if (spec.size == ArgumentSize::kPointer) {
        value = va_arg(args.list, std::intptr_t);
    } else if (spec.size == ArgumentSize::kShort) {
        value = static_cast<short>(va_arg(args.list, int));
    } else {
        value = va_arg(args.list, int);
    }
    const std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    FormatNumber(spec, magnitude, value < 0, output);
}

void FormatUnsigned(const FormatSpec& spec, Arguments& args, Output& output) {
    std::uint64_t value = 0;
    if (spec.size == ArgumentSize::kInt64) {
        value = va_arg(args.list, unsigned long long);
    } else if (spec.size == ArgumentSize::kPointer) {
        value = va_arg(args.list, std::uintptr_t);
    } else if (spec.size == ArgumentSize::kShort) {
        value = static_cast<unsigned short>(va_arg(args.list, unsigned int));
    } else {
        value = va_arg(args.list, unsigned int);
    }
    FormatNumber(spec, value, false, output);
}

// All the digits of the address, in capitals.
void FormatPointer(const FormatSpec& spec, Arguments& args, Output& output) {
    const auto value = reinterpret_cast<std::uintptr_t>(va_arg(args.list, const void*));
    FormatSpec digits = spec;
    digits.precision = static_cast<int>(2 * sizeof value);
    FormatNumber(digits, value, false, output);
}

void FormatCharacter(const FormatSpec& spec, Arguments& args, Output& output) {
    const int value = va_arg(args.list, int);
    const bool narrow = spec.size == ArgumentSize::kShort ||
                        (spec.type == u'C' && spec.size != ArgumentSize::kLong);
    char16_t text[2] = {};
    char narrowText[1] = {static_cast<char>(value)};
    Text argument;
    if (narrow) {
        argument.narrow = narrowText;
        argument.narrowLength = narrowText[0] == '\0' ? 0 : 1;  // zero is left out
    } else {
        text[0] = static_cast<char16_t>(value);
        argument.wide = text;
    }
    FormatSpec single = spec;
    single.precision = -1;
    FormatText(single, argument, output);
}

void FormatString(const FormatSpec& spec, Arguments& args, Output& output) {
    const bool narrow = spec.size == ArgumentSize::kShort ||
                        (spec.type == u'S' && spec.size != ArgumentSize::kLong);
    Text argument;
    if (narrow) {
        argument.narrow = va_arg(args.list, const char*);
        if (argument.narrow == nullptr) {
            argument.narrow = "(null)";
        }
        argument.narrowLength = std::strlen(argument.narrow);
    } else {
        argument.wide = va_arg(args.list, const char16_t*);
        if (argument.wide == nullptr) {
            argument.wide = u"(null)";
        }
    }
    FormatText(spec, argument, output);
}

}  // namespace

extern "C" int wsprintfW(LPWSTR buffer, LPCWSTR format, ...) {
    if (buffer == nullptr) {
        return 0;
    }
    Output output(buffer);
    if (format == nullptr) {
        return output.Finish();
    }
    Arguments args;
    va_start(args.list, format);
    for (const char16_t* at = format; *at != u'\0';) {
        if (*at != u'%') {
            output.Put(*at++);
            continue;
        }
        const FormatSpec spec = platform::ParseFormatSpec(at);
        switch (spec.type) {
            case u'd':
            case u'i':
                FormatSigned(spec, args, output);
                break;
            case u'u':
            case u'x':
            case u'X':
                FormatUnsigned(spec, args, output);
                break;
            case u'p':
                FormatPointer(spec, args, output);
                break;
            case u'c':
            case u'C':
                FormatCharacter(spec, args, output);
                break;
            case u's':
            case u'S':
                FormatString(spec, args, output);
                break;
            case u'\0':  // the format ended in the directive
                break;
            default:  // not a conversion: the character stands for itself, unformatted
                output.Put(spec.type);
                break;
        }
        at += spec.length;
    }
    va_end(args.list);
    return output.Finish();
}
