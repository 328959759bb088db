#include "kelvo/core/profile_store.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace kelvo {
namespace {

// Values from 1000 + 100 * start on, rising by 0.25: within the pipeline's range for starts
// from 0 to 179.
ModelVector Ramp(double start) {
    ModelVector vector;
    for (std::size_t i = 0; i < vector.size(); ++i) {
        vector[i] = kMinFeatureValue + 100.0 * start + 0.25 * static_cast<double>(i);
    }
    return vector;
}

// The profile line as the C library's "%s %d " and "%le " write it.
std::string PrintfLine(const char* speaker, int n, const ModelVector& vector) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s %d ", speaker, n);
    std::string line = buffer;
    for (double value : vector) {
        std::snprintf(buffer, sizeof buffer, "%le ", value);
        line += buffer;
    }
    return line + "\n";
}

// The values of a line from the given position on, each followed by a blank.
std::string ValuesText(const ModelVector& vector, std::size_t from = 0) {
    std::string text;
    for (std::size_t i = from; i < vector.size(); ++i) {
        text += std::to_string(vector[i]) + " ";
    }
    return text;
}

std::string Repeated(const std::string& text, int times) {
    std::string result;
    for (int i = 0; i < times; ++i) {
        result += text;
    }
    return result;
}

TEST(ProfileStore, LinesAreByteExact) {
    ModelVector vector = Ramp(-3.0);
    vector[7] = 1.0e-300;
    vector[8] = 123456789.0;
    EXPECT_EQ(FormatProfileLine("Demo", 1, vector), PrintfLine("Demo", 1, vector));
    EXPECT_EQ(FormatProfileLine("x", -40, vector), PrintfLine("x", -40, vector));
}

TEST(ProfileStore, SelectsTheFirstAndTheLastLaterLineOfTheSpeaker) {
    const std::string profile =
        FormatProfileLine("Other", 9, Ramp(90)) + FormatProfileLine("Demo", 1, Ramp(1)) +
        FormatProfileLine("Demo", 2, Ramp(2)) +
        FormatProfileLine("demo", 3, Ramp(3)) +  // names are case-sensitive
        FormatProfileLine("Other", 5, Ramp(95)) + FormatProfileLine("Demo", 4, Ramp(4));
    const EnrolledVectors demo = ParseProfile(profile, "Demo");
    EXPECT_EQ(demo.lines, 3);
    ASSERT_TRUE(demo.Complete());
    EXPECT_EQ(*demo.first, Ramp(1));
    EXPECT_EQ(*demo.second, Ramp(4));

    const EnrolledVectors lower = ParseProfile(profile, "demo");
    EXPECT_EQ(lower.lines, 1);
    ASSERT_TRUE(lower.Complete());  // a single line is both enrolments
    EXPECT_EQ(*lower.first, Ramp(3));
    EXPECT_EQ(*lower.second, Ramp(3));

    EXPECT_FALSE(ParseProfile(profile, "Nobody").Complete());
    EXPECT_FALSE(ParseProfile("", "Demo").Complete());
}

TEST(ProfileStore, DamagedLinesGiveNoVectorAndNeverReadOutOfBounds) {
    const std::string good = FormatProfileLine("Demo", 1, Ramp(1));
    const std::string values = ValuesText(Ramp(1));
    std::string binary = good;
    binary[20] = '\0';
    const struct {
        const char* what;
        std::string profile;
        bool complete;
    } cases[] = {
        {"a token far beyond 1024 bytes", std::string(5000, 'D') + " 1 2 3\n", false},
        {"a name far beyond 1024 bytes before the speaker's line",
         std::string(5000, 'D') + " 1 2 3\n" + good, true},
        {"not numbers", "Demo one two three\n", false},
        {"no recording number", "Demo\n", false},
        {"a recording number beyond int", "Demo 99999999999 " + values + "\n", false},
        {"44 values, the next line's values not borrowed",
         "Demo 1 " + values.substr(0, values.rfind(' ', values.size() - 2)) + "\nOther 1 5\n",
         false},
        {"nan among the values", "Demo 1 nan " + ValuesText(Ramp(1), 1) + "\n", false},
        {"inf among the values", "Demo 1 -inf " + ValuesText(Ramp(1), 1) + "\n", false},
        {"a value below the pipeline's range", "Demo 1 999.9 " + ValuesText(Ramp(1), 1) + "\n",
         false},
        {"a value above the pipeline's range", "Demo 1 19000.1 " + ValuesText(Ramp(1), 1) + "\n",
         false},
        {"45 values of -1000", "Demo 1" + Repeated(" -1000", 45) + "\n", false},
        {"the speaker's line beyond the line limit",
         "Demo 1 " + values + std::string(kMaxProfileLineLength, ' ') + "\n", false},
        {"another line beyond the line limit before the speaker's",
         std::string(kMaxProfileLineLength + 10, 'D') + " 1 2\n" + good, true},
        {"binary bytes within the values", binary, false},
        {"a whole line over 1024 characters", "Demo 1" + std::string(2000, ' ') + values + "\n",
         true},
        {"the first line damaged, a later one good", "Demo 1 x\n" + good + good, false},
        {"the last line damaged", good + good + "Demo 2 x\n", false},
    };
    for (const auto& c : cases) {
        const EnrolledVectors enrolled = ParseProfile(c.profile, "Demo");
        EXPECT_EQ(enrolled.Complete(), c.complete) << c.what;
        if (c.complete) {
            EXPECT_EQ(*enrolled.first, Ramp(1)) << c.what;
        }
    }
}

TEST(ProfileStore, OnlySingleTokensShorterThan1024BytesCanBeStored) {
    EXPECT_TRUE(IsStorableSpeakerName("Demo"));
    EXPECT_TRUE(IsStorableSpeakerName(std::string(1023, 'n').c_str()));
    EXPECT_TRUE(IsStorableSpeakerName("\xc3\xbc"));  // bytes beyond ASCII are part of a token
    EXPECT_FALSE(IsStorableSpeakerName(nullptr));
    EXPECT_FALSE(IsStorableSpeakerName(""));
    EXPECT_FALSE(IsStorableSpeakerName(std::string(1024, 'n').c_str()));
    for (const char* spaced : {"De mo", "Demo\t", "\nDemo", "De\vmo", "De\fmo", "Demo\r"}) {
        EXPECT_FALSE(IsStorableSpeakerName(spaced)) << spaced;
    }
}

}  // namespace
}  // namespace kelvo
