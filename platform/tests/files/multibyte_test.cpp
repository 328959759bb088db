// MultiByteToWideChar: UTF-8 to UTF-16, sizes, buffers and invalid input.
#include <string>

#include "file_test.h"

namespace platform_test {
namespace {

constexpr WCHAR kBad = 0xFFFD;

struct ConversionCase {
    const char* label;
    std::string input;
    int count;         // bytes to convert, or -1
    WString expected;  // the conversion when invalid input is replaced
    bool valid;        // whether MB_ERR_INVALID_CHARS accepts it
};

void PrintTo(const ConversionCase& row, std::ostream* out) {
    *out << row.label;
}

class MultiByteTable : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(MultiByteTable, ConvertsOrRejects) {
    const ConversionCase& row = GetParam();
    const int needed = MultiByteToWideChar(CP_UTF8, 0, row.input.c_str(), row.count, nullptr, 0);
    EXPECT_EQ(needed, static_cast<int>(row.expected.size()));
    WString wide(row.expected.size() + 4, TEXT('#'));
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, row.input.c_str(), row.count, wide.data(),
                                  static_cast<int>(wide.size())),
              needed);
    EXPECT_EQ(wide.substr(0, row.expected.size()), row.expected);
    EXPECT_EQ(wide[row.expected.size()], TEXT('#'));  // nothing written beyond

    SetLastError(kStaleError);
    const int strict = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, row.input.c_str(),
                                           row.count, wide.data(), static_cast<int>(wide.size()));
    if (row.valid) {
        EXPECT_EQ(strict, needed);
    } else {
        EXPECT_EQ(strict, 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    }
}

const ConversionCase kCases[] = {
    {"Ascii", "abc", 3, TEXT("abc"), true},
    {"TerminatorIncludedWithMinusOne", "abc", -1, WString(TEXT("abc\0"), 4), true},
    {"EmptyWithMinusOne", "", -1, WString(1, TEXT('\0')), true},
    {"CountStopsEarly", "abcdef", 2, TEXT("ab"), true},
    {"EmbeddedNul", std::string("a\0b", 3), 3, WString(TEXT("a\0b"), 3), true},
    {"TwoAndThreeBytes", "h\xC3\xA9 \xE2\x82\xAC", -1, WString(TEXT("h\u00e9 \u20ac\0"), 5), true},
    {"FourBytesBecomeSurrogates", "\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", 8,
     TEXT("\U0001F600\U0010FFFF"), true},
    {"OverlongTwoBytes", "\xC0\xAF", 2, {kBad, kBad}, false},
    {"LeadByteF5", "\xF5\x80", 2, {kBad, kBad}, false},
    {"StrayContinuation",
     "a\x80"
     "b",
     3,
     {TEXT('a'), kBad, TEXT('b')},
     false},
    {"TruncatedBeforeAscii", "\xE2\x82z", 3, {kBad, TEXT('z')}, false},
    {"TruncatedByTheCount", "\xF0\x9F\x98\x80", 3, {kBad}, false},
    {"TruncatedBeforeTerminator", "\xC3", -1, {kBad, TEXT('\0')}, false},
};

INSTANTIATE_TEST_SUITE_P(Inputs, MultiByteTable, ::testing::ValuesIn(kCases),
                         [](const auto& param) { return std::string(param.param.label); });

// How many replacement characters a longer ill-formed sequence becomes is not documented (the
// layer's count is in linux_text_test.cpp); that it becomes only them, and is refused when
// MB_ERR_INVALID_CHARS is given, is.
TEST(MultiByteToWideChar, IllFormedSequencesBecomeReplacementsOrAreRefused) {
    const struct {
        const char* input;
        WString tail;  // the valid text after the ill-formed part
    } rows[] = {
        {"\xE0\x80\xAF", TEXT("")},        // overlong
        {"\xF0\x8F\xBF\xBFz", TEXT("z")},  // overlong
        {"\xED\xA0\x80x", TEXT("x")},      // a surrogate
        {"\xF4\x90\x80\x80", TEXT("")},    // beyond U+10FFFF
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.input);
        const int length = static_cast<int>(std::string(row.input).size());
        WString wide(16, TEXT('#'));
        const int count = MultiByteToWideChar(CP_UTF8, 0, row.input, length, wide.data(), 16);
        ASSERT_GT(count, static_cast<int>(row.tail.size()));
        wide.resize(static_cast<std::size_t>(count));
        const std::size_t replaced = wide.size() - row.tail.size();
        EXPECT_EQ(wide.substr(0, replaced), WString(replaced, kBad));
        EXPECT_EQ(wide.substr(replaced), row.tail);

        SetLastError(kStaleError);
        const int strict =
            MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, row.input, length, wide.data(), 16);
        const DWORD error = GetLastError();
        EXPECT_EQ(strict, 0);
        EXPECT_EQ(error, static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    }
}

TEST(MultiByteToWideChar, TooSmallBufferFailsWithInsufficientBuffer) {
    WCHAR wide[2] = {};
    const struct {
        const char* input;
        int count;
        int wideCount;
        const char* wine;  // how wine departs from the documented failure, if it does
    } rows[] = {
        {"abc", 3, 2, nullptr},
        {"ab", -1, 2, nullptr},  // the terminator does not fit
        {"a\xF0\x9F\x98\x80", 5, 2, "writes half the surrogate pair"},  // only half would
    };
    for (const auto& row : rows) {
        if (row.wine != nullptr && UnderWine()) {
            continue;
        }
        SCOPED_TRACE(row.input);
        SetLastError(kStaleError);
        const int count =
            MultiByteToWideChar(CP_UTF8, 0, row.input, row.count, wide, row.wideCount);
        const DWORD error = GetLastError();
        EXPECT_EQ(count, 0);
        EXPECT_EQ(error, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    }
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "ab", 2, wide, 2), 2);  // exactly fits
}

TEST(MultiByteToWideChar, RejectsBadParameters) {
    WCHAR wide[8] = {};
    const struct {
        const char* label;
        UINT codePage;
        DWORD flags;
        const char* input;
        int count;
        WCHAR* output;
        int wideCount;
        DWORD error;
        const char* wine;  // how wine departs from the documented failure, if it does
    } rows[] = {
        // UTF-8 takes no flag but MB_ERR_INVALID_CHARS.
        {"composite with UTF-8", CP_UTF8, 0x2, "a", 1, wide, 8, ERROR_INVALID_FLAGS,
         "takes any flag with UTF-8"},
        {"precomposed with UTF-8", CP_UTF8, MB_PRECOMPOSED, "a", 1, wide, 8, ERROR_INVALID_FLAGS,
         "takes any flag with UTF-8"},
        {"null input", CP_UTF8, 0, nullptr, 1, wide, 8, ERROR_INVALID_PARAMETER, nullptr},
        {"zero count", CP_UTF8, 0, "a", 0, wide, 8, ERROR_INVALID_PARAMETER, nullptr},
        {"negative output size", CP_UTF8, 0, "a", 1, wide, -1, ERROR_INVALID_PARAMETER, nullptr},
        {"null output with a size", CP_UTF8, 0, "a", 1, nullptr, 8, ERROR_INVALID_PARAMETER,
         nullptr},
    };
    for (const auto& row : rows) {
        if (row.wine != nullptr && UnderWine()) {
            continue;
        }
        SCOPED_TRACE(row.label);
        SetLastError(kStaleError);
        const int count = MultiByteToWideChar(row.codePage, row.flags, row.input, row.count,
                                              row.output, row.wideCount);
        const DWORD error = GetLastError();
        EXPECT_EQ(count, 0);
        EXPECT_EQ(error, row.error);
    }
    // MB_PRECOMPOSED is accepted with the system code page.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, "a", 1, wide, 8), 1);
}

}  // namespace
}  // namespace platform_test
