// wsprintfW: each conversion, flag and limit against the text the documentation gives.
#include <climits>
#include <cstdint>
#include <string>

#include "file_test.h"

namespace platform_test {
namespace {

using Call = int (*)(WCHAR*);

struct FormatCase {
    const char* label;
    Call call;
    WString expected;
    const char* wine = nullptr;  // how wine departs from the documented text, if it does
};

void PrintTo(const FormatCase& row, std::ostream* out) {
    *out << row.label;
}

class WsprintfTable : public ::testing::TestWithParam<FormatCase> {};

TEST_P(WsprintfTable, FormatsAsDocumented) {
    const FormatCase& row = GetParam();
    if (row.wine != nullptr && UnderWine()) {
        GTEST_SKIP() << "wine " << row.wine;
    }
    WCHAR buffer[1100];
    std::fill(std::begin(buffer), std::end(buffer), TEXT('#'));
    const int count = row.call(buffer);
    EXPECT_EQ(WString(buffer), row.expected);
    EXPECT_EQ(count, static_cast<int>(row.expected.size()));
}

const FormatCase kCases[] = {
    {"WideString", [](WCHAR* b) { return wsprintfW(b, TEXT("<%s>"), TEXT("abc")); }, TEXT("<abc>")},
    {"NullString", [](WCHAR* b) { return wsprintfW(b, TEXT("%s"), static_cast<LPCWSTR>(nullptr)); },
     TEXT("(null)")},
    {"NarrowStrings", [](WCHAR* b) { return wsprintfW(b, TEXT("%S/%hs"), "ab", "cd"); },
     TEXT("ab/cd")},
    {"StringWidthAndPrecision",
     [](WCHAR* b) {
         return wsprintfW(b, TEXT("[%5s][%-5s][%.2s]"), TEXT("ab"), TEXT("ab"), TEXT("abcd"));
     },
     TEXT("[   ab][ab   ][ab]")},
    {"NegativeDecimal", [](WCHAR* b) { return wsprintfW(b, TEXT("%d %i"), -42, INT_MIN); },
     TEXT("-42 -2147483648")},
    {"UnsignedAllOnes", [](WCHAR* b) { return wsprintfW(b, TEXT("%u"), 0xFFFFFFFFu); },
     TEXT("4294967295")},
    {"Hexadecimal", [](WCHAR* b) { return wsprintfW(b, TEXT("%x %X"), 0xBEEFu, 0xBEEFu); },
     TEXT("beef BEEF")},
    {"AlternateHexZeroToo",
     [](WCHAR* b) { return wsprintfW(b, TEXT("%#x %#X %#x"), 255u, 255u, 0u); },
     TEXT("0xff 0XFF 0x0")},
    {"AlternateHexWidthCountsThePrefix",
     [](WCHAR* b) { return wsprintfW(b, TEXT("[%#6x][%-#6x]"), 10u, 10u); },
     TEXT("[   0xa][0xa   ]"), "leaves the prefix out of a right-aligned width"},
    {"WideAndNarrowCharacters",
     [](WCHAR* b) {
         return wsprintfW(b, TEXT("%c%c%C%hc%lc"), TEXT('a'), TEXT('\u00e9'), 'b', 'c', TEXT('d'));
     },
     TEXT("a\u00e9bcd")},
    {"ZeroCharactersLeftOut", [](WCHAR* b) { return wsprintfW(b, TEXT("a%hcb%lcc"), 0, 0); },
     TEXT("abc"), "writes them as null characters"},
    {"Percent", [](WCHAR* b) { return wsprintfW(b, TEXT("100%% %d%%"), 5); }, TEXT("100% 5%")},
    {"Widths",
     [](WCHAR* b) { return wsprintfW(b, TEXT("[%5d][%-5d|][%05d][%05d]"), 42, 42, 42, -42); },
     TEXT("[   42][42   |][00042][-0042]")},
    {"PrecisionIsMinimumDigits", [](WCHAR* b) { return wsprintfW(b, TEXT("%0.6d"), 21); },
     TEXT("000021")},
    {"PrecisionWithWidth", [](WCHAR* b) { return wsprintfW(b, TEXT("[%-6.3x]"), 10u); },
     TEXT("[00a   ]")},
    {"PrecisionCountsDigitsNotTheSign", [](WCHAR* b) { return wsprintfW(b, TEXT("[%8.3d]"), -7); },
     TEXT("[    -007]"), "counts the sign as a digit"},
    {"ZeroFlagFillsTheWidthWithAPrecisionToo",
     [](WCHAR* b) { return wsprintfW(b, TEXT("[%08.3d]"), -7); }, TEXT("[-0000007]")},
    {"ZeroOrNoPrecisionIsOne",
     [](WCHAR* b) { return wsprintfW(b, TEXT("[%.0d][%.d][%5.0u]"), 0, 0, 0u); },
     TEXT("[0][0][    0]")},
    {"ErrorMessage",
     [](WCHAR* b) {
         return wsprintfW(b, TEXT("Error: %s (%0.6d)"), TEXT("No sound devices present."), 21);
     },
     TEXT("Error: No sound devices present. (000021)")},
    {"LongIsIntSized",
     [](WCHAR* b) { return wsprintfW(b, TEXT("%ld %lu %lx"), LONG{-5}, DWORD{7}, DWORD{0xAB}); },
     TEXT("-5 7 ab")},
    {"ShortIntegers", [](WCHAR* b) { return wsprintfW(b, TEXT("%hd %hu"), 70000, 70000u); },
     TEXT("4464 4464"), "reads them as int"},
    {"Int64",
     [](WCHAR* b) { return wsprintfW(b, TEXT("%I64d %I64x"), -5000000000LL, 0x123456789ULL); },
     TEXT("-5000000000 123456789")},
    {"PointerSized",
     [](WCHAR* b) { return wsprintfW(b, TEXT("%Ix %IX"), std::size_t{0xABC}, std::size_t{0xABC}); },
     TEXT("abc ABC")},
    {"PointerHasAllItsDigits",
     [](WCHAR* b) { return wsprintfW(b, TEXT("%p"), reinterpret_cast<void*>(0x12AB)); },
     WString(2 * sizeof(void*) - 4, TEXT('0')) + TEXT("12AB")},
    {"OtherCharactersStandForThemselves",
     [](WCHAR* b) { return wsprintfW(b, TEXT("%q %-5y %*d %+d %"), 1); }, TEXT("q y *d +d ")},
    {"OtherCharactersIgnoreTheWidth", [](WCHAR* b) { return wsprintfW(b, TEXT("[%5y]"), 1); },
     TEXT("[y]"), "pads them to the width"},
};

INSTANTIATE_TEST_SUITE_P(Conversions, WsprintfTable, ::testing::ValuesIn(kCases),
                         [](const auto& param) { return std::string(param.param.label); });

// The documentation gives the limit as 1,024 (in bytes, the narrow function's wording); the
// layer writes at most 1023 characters and the terminator, Windows 1024 and the terminator.
TEST(Wsprintf, LongOutputIsCutOffAtTheLimit) {
    const struct {
        const char* label;
        Call call;
    } rows[] = {
        {"string",
         [](WCHAR* b) { return wsprintfW(b, TEXT("%s"), WString(2000, TEXT('x')).c_str()); }},
        {"padding", [](WCHAR* b) { return wsprintfW(b, TEXT("%2000d"), 1); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        WCHAR buffer[1100];
        std::fill(std::begin(buffer), std::end(buffer), TEXT('#'));
        const int count = row.call(buffer);
        ASSERT_GE(count, 1023);
        ASSERT_LE(count, 1024);
        EXPECT_EQ(buffer[1025], TEXT('#'));
        if (!UnderWine()) {  // wine leaves the terminator out at the limit
            EXPECT_EQ(buffer[count], TEXT('\0'));
        }
    }
}

}  // namespace
}  // namespace platform_test
