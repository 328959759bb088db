// The text services where the layer decides what the original leaves open: UTF-8 as the only
// code page, how many replacement characters ill-formed UTF-8 becomes, and output that never
// ends in half a surrogate pair.
#include <string>

#include "file_test.h"

namespace platform_test {
namespace {

constexpr WCHAR kBad = 0xFFFD;

TEST(SystemCodePage, IsUtf8ForConversionsAndNarrowArguments) {
    const struct {
        const char* input;
        int count;
    } rows[] = {
        {"h\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", -1}, {"a\x80\xE2\x82z", 5},  // ill-formed parts
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.input);
        WString utf8(16, u'#');
        WString system(16, u'#');
        const int length = MultiByteToWideChar(CP_UTF8, 0, row.input, row.count, utf8.data(), 16);
        ASSERT_GT(length, 0);
        EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, row.input, row.count, system.data(), 16), length);
        EXPECT_EQ(system, utf8);
    }
    SetLastError(kStaleError);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, "\xC3", 1, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));

    WCHAR buffer[32];
    EXPECT_EQ(wsprintfW(buffer, u"%S/%hc", "c\xC3\xA9", 'x'), 4);
    EXPECT_EQ(WString(buffer), u"c\u00e9/x");
}

TEST(SystemCodePage, NoOtherCodePageNorFlagExists) {
    WCHAR wide[8] = {};
    const struct {
        UINT codePage;
        DWORD flags;
        int count;
        DWORD error;
    } rows[] = {
        {1252, 0, 1, ERROR_INVALID_PARAMETER},     {65000, 0, 1, ERROR_INVALID_PARAMETER},
        {CP_ACP, 0x2, 1, ERROR_INVALID_FLAGS},      // MB_COMPOSITE
        {CP_ACP, 0x4, 1, ERROR_INVALID_FLAGS},      // MB_USEGLYPHCHARS
        {CP_UTF8, 0, -2, ERROR_INVALID_PARAMETER},  // neither a length nor -1
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.codePage << " " << row.flags << " " << row.count);
        SetLastError(kStaleError);
        EXPECT_EQ(MultiByteToWideChar(row.codePage, row.flags, "a", row.count, wide, 8), 0);
        EXPECT_EQ(GetLastError(), row.error);
    }
}

// Each maximal part of a sequence that could have begun a well-formed one becomes one
// replacement, as Unicode recommends; where no well-formed sequence could continue, each byte
// does.
TEST(MultiByteToWideChar, EachMaximalIllFormedPartBecomesOneReplacement) {
    const struct {
        const char* input;
        WString expected;
    } rows[] = {
        {"\xE0\x80\xAF", {kBad, kBad, kBad}},            // overlong
        {"\xF0\x8F\xBF\xBF", {kBad, kBad, kBad, kBad}},  // overlong
        {"\xED\xA0\x80x", {kBad, kBad, kBad, u'x'}},     // a surrogate
        {"\xF4\x90\x80\x80", {kBad, kBad, kBad, kBad}},  // beyond U+10FFFF
        {"\xF0\x9F\x98z\xE2\x82", {kBad, u'z', kBad}},   // cut short
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.input);
        WString wide(8, u'#');
        const int count = MultiByteToWideChar(
            CP_UTF8, 0, row.input, static_cast<int>(std::string(row.input).size()), wide.data(), 8);
        EXPECT_EQ(wide.substr(0, static_cast<std::size_t>(count)), row.expected);
    }
}

// At the limit of 1024 units, and with a precision, a surrogate pair that does not fit whole
// is left out rather than cut in half.
TEST(Wsprintf, WritesAtMost1023CharactersAndNoHalfSurrogatePair) {
    WCHAR buffer[1100];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    EXPECT_EQ(wsprintfW(buffer, u"%s", WString(2000, u'x').c_str()), 1023);
    EXPECT_EQ(buffer[1023], u'\0');
    EXPECT_EQ(buffer[1024], u'#');

    const WString almost = WString(1022, u'a') + u"\U0001F600";
    EXPECT_EQ(wsprintfW(buffer, u"%s", almost.c_str()), 1022);
    EXPECT_EQ(buffer[1022], u'\0');

    EXPECT_EQ(wsprintfW(buffer, u"[%.2s]", u"a\U0001F600"), 3);
    EXPECT_EQ(WString(buffer), u"[a]");
}

}  // namespace
}  // namespace platform_test
