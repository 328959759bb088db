#include "kelvo/core/number_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

namespace kelvo {
namespace {

// The C library's own "%le" in the C locale is the reference for both directions.
TEST(NumberText, WritesWhatPrintfWritesInTheCLocale) {
    ASSERT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    const double values[] = {0.0,
                             -0.0,
                             1.5,
                             -2.25e-7,
                             1e300,
                             -1e-300,
                             5e-324,
                             123456789.0,
                             9.9999995,
                             0.1 + 0.2,
                             1e100,
                             -42.0,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN()};
    for (double value : values) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%le", value);
        std::string written;
        AppendScientific(written, value);
        EXPECT_EQ(written, expected);
    }
    for (int value : {0, 7, -12, 2147483647, -2147483647 - 1}) {
        std::string written;
        AppendDecimal(written, value);
        EXPECT_EQ(written, std::to_string(value));
    }
}

// Reads until the first failure, as a loop of sscanf("%le") over the same text does.
std::vector<double> ScanAll(std::string_view text) {
    NumberScanner scanner(text);
    std::vector<double> numbers;
    double value = 0.0;
    while (scanner.ReadDouble(value)) {
        numbers.push_back(value);
    }
    return numbers;
}

std::vector<double> ScanfAll(const std::string& text) {
    std::vector<double> numbers;
    const char* at = text.c_str();
    double value = 0.0;
    int consumed = 0;
    while (std::sscanf(at, "%le%n", &value, &consumed) == 1) {
        numbers.push_back(value);
        at += consumed;
    }
    return numbers;
}

TEST(NumberText, ReadsNumbersOneAfterAnotherLikeScanf) {
    const std::string texts[] = {
        "1.5e+00 2.5e+00 ",
        "  \t\n1 -2 +3 4.25\v\f\r5e-1",
        "7 8 x 9",   // stops at the first token that is no number
        "1.5abc 2",  // takes the number's prefix, then stops at the rest
        "3,5 4",     // a comma is no decimal point
        "",
        "   ",
        "-0.0 .5 5. 1E3",
        "inf -inf 6",
        "+-1 2",
    };
    for (const std::string& text : texts) {
        EXPECT_EQ(ScanAll(text), ScanfAll(text)) << "text: \"" << text << "\"";
    }
    EXPECT_TRUE(std::isnan(ScanAll("nan 1")[0]));
}

TEST(NumberText, UnrepresentableNumbersReadAsNaNAndOverlongIntsFail) {
    const std::vector<double> numbers = ScanAll("1e999 -1e999 1e-999 2");
    ASSERT_EQ(numbers.size(), 4u);
    EXPECT_TRUE(std::isnan(numbers[0]));
    EXPECT_TRUE(std::isnan(numbers[1]));
    EXPECT_TRUE(std::isnan(numbers[2]));
    EXPECT_EQ(numbers[3], 2.0);

    NumberScanner scanner("99999999999 5");
    int value = 0;
    EXPECT_FALSE(scanner.ReadInt(value));
    EXPECT_FALSE(scanner.ReadInt(value));  // still at the same place
    NumberScanner small(" -17 +4");
    EXPECT_TRUE(small.ReadInt(value));
    EXPECT_EQ(value, -17);
    EXPECT_TRUE(small.ReadInt(value));
    EXPECT_EQ(value, 4);
}

TEST(NumberText, IgnoresTheProcessLocale) {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "locale de_DE.UTF-8 not installed (scripts/install-deps.sh makes it)";
    }
    std::string written;
    AppendScientific(written, 1.5);
    const std::vector<double> numbers = ScanAll("2.5e+00 3,5");
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(written, "1.500000e+00");
    EXPECT_EQ(numbers, (std::vector<double>{2.5, 3.0}));
}

}  // namespace
}  // namespace kelvo
