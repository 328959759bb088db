// MultiByteToWideChar: UTF-8 to UTF-16, sizes, buffers and invalid input.
#include <gtest/gtest.h>

#include <string>

#include <windows.h>

namespace platform_test {
namespace {

constexpr DWORD kStale = 0xDEAD;
constexpr char16_t kBad = 0xFFFD;

struct ConversionCase {
    const char* label;
    std::string input;
    int count;                // bytes to convert, or -1
    std::u16string expected;  // the conversion when invalid input is replaced
    bool valid;               // whether MB_ERR_INVALID_CHARS accepts it
};

void PrintTo(const ConversionCase& row, std::ostream* out) {
    *out << row.label;
}

class MultiByteTable : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(MultiByteTable, ConvertsOrRejects) {
    const ConversionCase& row = GetParam();
    for (const UINT codePage : {UINT{CP_UTF8}, UINT{CP_ACP}}) {
        SCOPED_TRACE(codePage);
        const int needed =
            MultiByteToWideChar(codePage, 0, row.input.c_str(), row.count, nullptr, 0);
        EXPECT_EQ(needed, static_cast<int>(row.expected.size()));
        std::u16string wide(row.expected.size() + 4, u'#');
        EXPECT_EQ(MultiByteToWideChar(codePage, 0, row.input.c_str(), row.count, wide.data(),
                                      static_cast<int>(wide.size())),
                  needed);
        EXPECT_EQ(wide.substr(0, row.expected.size()), row.expected);
        EXPECT_EQ(wide[row.expected.size()], u'#');  // nothing written beyond

        SetLastError(kStale);
        const int strict =
            MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, row.input.c_str(), row.count,
                                wide.data(), static_cast<int>(wide.size()));
        if (row.valid) {
            EXPECT_EQ(strict, needed);
        } else {
            EXPECT_EQ(strict, 0);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
        }
    }
}

const ConversionCase kCases[] = {
    {"Ascii", "abc", 3, u"abc", true},
    {"TerminatorIncludedWithMinusOne", "abc", -1, std::u16string(u"abc\0", 4), true},
    {"EmptyWithMinusOne", "", -1, std::u16string(1, u'\0'), true},
    {"CountStopsEarly", "abcdef", 2, u"ab", true},
    {"EmbeddedNul", std::string("a\0b", 3), 3, std::u16string(u"a\0b", 3), true},
    {"TwoAndThreeBytes", "h\xC3\xA9 \xE2\x82\xAC", -1, std::u16string(u"h\u00e9 \u20ac\0", 5),
     true},
    {"FourBytesBecomeSurrogates", "\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", 8, u"\U0001F600\U0010FFFF",
     true},
    {"OverlongTwoBytes", "\xC0\xAF", 2, {kBad, kBad}, false},
    {"OverlongThreeBytes", "\xE0\x80\xAF", 3, {kBad, kBad, kBad}, false},
    {"OverlongFourBytes", "\xF0\x8F\xBF\xBF", 4, {kBad, kBad, kBad, kBad}, false},
    {"Surrogate", "\xED\xA0\x80x", 4, {kBad, kBad, kBad, u'x'}, false},
    {"BeyondU10FFFF", "\xF4\x90\x80\x80", 4, {kBad, kBad, kBad, kBad}, false},
    {"LeadByteF5", "\xF5\x80", 2, {kBad, kBad}, false},
    {"StrayContinuation",
     "a\x80"
     "b",
     3,
     {u'a', kBad, u'b'},
     false},
    {"TruncatedBeforeAscii", "\xE2\x82z", 3, {kBad, u'z'}, false},
    {"TruncatedByTheCount", "\xF0\x9F\x98\x80", 3, {kBad}, false},
    {"TruncatedBeforeTerminator", "\xC3", -1, {kBad, u'\0'}, false},
};

INSTANTIATE_TEST_SUITE_P(Inputs, MultiByteTable, ::testing::ValuesIn(kCases),
                         [](const auto& param) { return std::string(param.param.label); });

TEST(MultiByteToWideChar, TooSmallBufferFailsWithInsufficientBuffer) {
    char16_t wide[2] = {};
    const struct {
        const char* input;
        int count;
        int wideCount;
    } rows[] = {
        {"abc", 3, 2},
        {"ab", -1, 2},                // the terminator does not fit
        {"a\xF0\x9F\x98\x80", 5, 2},  // half a surrogate pair would
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.input);
        SetLastError(kStale);
        EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, row.input, row.count, wide, row.wideCount), 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    }
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "ab", 2, wide, 2), 2);  // exactly fits
}

TEST(MultiByteToWideChar, RejectsBadParameters) {
    char16_t wide[8] = {};
    const struct {
        const char* label;
        UINT codePage;
        DWORD flags;
        const char* input;
        int count;
        char16_t* output;
        int wideCount;
        DWORD error;
    } rows[] = {
        {"code page 1252", 1252, 0, "a", 1, wide, 8, ERROR_INVALID_PARAMETER},
        {"unknown flag", CP_UTF8, 0x2, "a", 1, wide, 8, ERROR_INVALID_FLAGS},
        {"null input", CP_UTF8, 0, nullptr, 1, wide, 8, ERROR_INVALID_PARAMETER},
        {"zero count", CP_UTF8, 0, "a", 0, wide, 8, ERROR_INVALID_PARAMETER},
        {"count -2", CP_UTF8, 0, "a", -2, wide, 8, ERROR_INVALID_PARAMETER},
        {"negative output size", CP_UTF8, 0, "a", 1, wide, -1, ERROR_INVALID_PARAMETER},
        {"null output with a size", CP_UTF8, 0, "a", 1, nullptr, 8, ERROR_INVALID_PARAMETER},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        SetLastError(kStale);
        EXPECT_EQ(MultiByteToWideChar(row.codePage, row.flags, row.input, row.count, row.output,
                                      row.wideCount),
                  0);
        EXPECT_EQ(GetLastError(), row.error);
    }
    // MB_PRECOMPOSED is accepted.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, "a", 1, wide, 8), 1);
}

}  // namespace
}  // namespace platform_test
