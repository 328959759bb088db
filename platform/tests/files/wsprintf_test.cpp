// wsprintfW: each conversion, flag and limit against the expected text.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include <windows.h>

namespace platform_test {
namespace {

using Call = int (*)(WCHAR*);

struct FormatCase {
    const char* label;
    Call call;
    std::u16string expected;
};

void PrintTo(const FormatCase& row, std::ostream* out) {
    *out << row.label;
}

class WsprintfTable : public ::testing::TestWithParam<FormatCase> {};

TEST_P(WsprintfTable, FormatsAsExpected) {
    const FormatCase& row = GetParam();
    WCHAR buffer[1100];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    const int count = row.call(buffer);
    EXPECT_EQ(std::u16string(buffer), row.expected);
    EXPECT_EQ(count, static_cast<int>(row.expected.size()));
}

const FormatCase kCases[] = {
    {"WideString", [](WCHAR* b) { return wsprintfW(b, u"<%s>", u"abc"); }, u"<abc>"},
    {"NullString", [](WCHAR* b) { return wsprintfW(b, u"%s", static_cast<LPCWSTR>(nullptr)); },
     u"(null)"},
    {"NarrowStrings", [](WCHAR* b) { return wsprintfW(b, u"%S/%hs", "ab", "c\xC3\xA9"); },
     u"ab/c\u00e9"},
    {"StringWidthAndPrecision",
     [](WCHAR* b) { return wsprintfW(b, u"[%5s][%-5s][%.2s]", u"ab", u"ab", u"abcd"); },
     u"[   ab][ab   ][ab]"},
    {"PrecisionKeepsSurrogatePairsWhole",
     [](WCHAR* b) { return wsprintfW(b, u"%.2s", u"a\U0001F600"); }, u"a"},
    {"NegativeDecimal", [](WCHAR* b) { return wsprintfW(b, u"%d %i", -42, INT_MIN); },
     u"-42 -2147483648"},
    {"UnsignedAllOnes", [](WCHAR* b) { return wsprintfW(b, u"%u", 0xFFFFFFFFu); }, u"4294967295"},
    {"Hexadecimal", [](WCHAR* b) { return wsprintfW(b, u"%x %X", 0xBEEFu, 0xBEEFu); },
     u"beef BEEF"},
    {"AlternateHex", [](WCHAR* b) { return wsprintfW(b, u"%#x %#X %#x", 255u, 255u, 0u); },
     u"0xff 0XFF 0"},
    {"WideAndNarrowCharacters",
     [](WCHAR* b) { return wsprintfW(b, u"%c%c%C%hc", u'a', u'\u00e9', 'b', 'c'); }, u"a\u00e9bc"},
    {"Percent", [](WCHAR* b) { return wsprintfW(b, u"100%% %d%%", 5); }, u"100% 5%"},
    {"Widths", [](WCHAR* b) { return wsprintfW(b, u"[%5d][%-5d|][%05d][%05d]", 42, 42, 42, -42); },
     u"[   42][42   |][00042][-0042]"},
    {"PrecisionIsMinimumDigits", [](WCHAR* b) { return wsprintfW(b, u"%0.6d", 21); }, u"000021"},
    {"PrecisionWithWidth", [](WCHAR* b) { return wsprintfW(b, u"[%8.3d][%-6.3x]", -7, 10u); },
     u"[    -007][00a   ]"},
    {"ZeroPrecisionZeroValue", [](WCHAR* b) { return wsprintfW(b, u"[%.0d]", 0); }, u"[]"},
    {"ErrorMessage",
     [](WCHAR* b) { return wsprintfW(b, u"Error: %s (%0.6d)", u"No sound devices present.", 21); },
     u"Error: No sound devices present. (000021)"},
    {"LongIsIntSized",
     [](WCHAR* b) { return wsprintfW(b, u"%ld %lu %lx", LONG{-5}, DWORD{7}, DWORD{0xAB}); },
     u"-5 7 ab"},
    {"ShortAndInt64",
     [](WCHAR* b) {
         return wsprintfW(b, u"%hd %hu %I64d %I64x", 70000, 70000u, -5000000000LL, 0x123456789ULL);
     },
     u"4464 4464 -5000000000 123456789"},
    {"UnknownConversionsCopied", [](WCHAR* b) { return wsprintfW(b, u"%q %-5y %*d %", 1); },
     u"%q %-5y %*d %"},
};

INSTANTIATE_TEST_SUITE_P(Conversions, WsprintfTable, ::testing::ValuesIn(kCases),
                         [](const auto& param) { return std::string(param.param.label); });

TEST(Wsprintf, WritesAtMost1024CharactersTerminatorIncluded) {
    const std::u16string longText(2000, u'x');
    WCHAR buffer[1100];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    EXPECT_EQ(wsprintfW(buffer, u"%s", longText.c_str()), 1023);
    EXPECT_EQ(buffer[1022], u'x');
    EXPECT_EQ(buffer[1023], u'\0');
    EXPECT_EQ(buffer[1024], u'#');

    EXPECT_EQ(wsprintfW(buffer, u"%2000d", 1), 1023);  // padding is cut off the same way
    EXPECT_EQ(buffer[1023], u'\0');

    // A surrogate pair that would not fit whole is left out.
    const std::u16string almost = std::u16string(1022, u'a') + u"\U0001F600";
    EXPECT_EQ(wsprintfW(buffer, u"%s", almost.c_str()), 1022);
    EXPECT_EQ(buffer[1022], u'\0');
}

}  // namespace
}  // namespace platform_test
