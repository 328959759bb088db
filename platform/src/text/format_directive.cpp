#include "format_directive.h"

namespace platform {
namespace {

// wsprintfW never writes more than this, so larger widths and precisions change nothing.
constexpr int kClamp = 1024;

bool IsDigit(char16_t unit) {
    return unit >= u'0' && unit <= u'9';
}

int ParseNumber(const char16_t*& at) {
    int value = 0;
    for (; IsDigit(*at); ++at) {
        value = value * 10 + (*at - u'0');
        if (value > kClamp) {
            value = kClamp;
        }
    }
    return value;
}

}  // namespace

FormatSpec ParseFormatSpec(const char16_t* format) {
    FormatSpec spec;
    const char16_t* at = format + 1;
    for (;; ++at) {
        if (*at == u'-') {
            spec.leftAlign = true;
        } else if (*at == u'#') {
            spec.alternate = true;
        } else if (*at == u'0') {
            spec.zeroPad = true;
        } else {
            break;
        }
    }
    spec.width = ParseNumber(at);
    if (*at == u'.') {
        ++at;
        spec.precision = ParseNumber(at);
    }
    if (*at == u'h') {
        spec.size = ArgumentSize::kShort;
        ++at;
    } else if (*at == u'l' || *at == u'w') {
        spec.size = ArgumentSize::kLong;
        ++at;
    } else if (at[0] == u'I' && at[1] == u'6' && at[2] == u'4') {
        spec.size = ArgumentSize::kInt64;
        at += 3;
    } else if (*at == u'I') {
        spec.size = ArgumentSize::kPointer;
        ++at;
    }
    spec.type = *at;
    if (*at != u'\0') {
        ++at;
    }
    spec.length = static_cast<std::size_t>(at - format);
    return spec;
}

}  // namespace platform
