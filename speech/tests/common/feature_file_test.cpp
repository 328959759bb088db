// The feature file and the number text it is made of.
#include "feature_file.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "feature_handoff.h"
#include "text_io.h"

namespace speech {
namespace {

TEST(FeatureValues, AreWrittenWithFourDecimalsLikePrintf) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> spread(-300.0f, 300.0f);
    std::vector<float> values = {0.0f,      -0.0f,     1.0f,         -1.0f, 0.00004f,
                                 -0.00006f, 12.34565f, 99999.99995f, 1e-30f};
    for (int i = 0; i < 1000; ++i) {
        values.push_back(spread(random));
    }
    for (float value : values) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.4f", static_cast<double>(value));
        std::string written;
        AppendFeatureValue(written, value);
        // printf rounds half to even on the exact binary value and keeps the sign of a value
        // that rounds to zero; both are immaterial for features, so compare the numbers.
        EXPECT_NEAR(std::stod(written), std::stod(expected), 1e-4 + 1e-12) << value;
        EXPECT_EQ(written.size() - written.find('.'), 5u) << written;
    }
    std::string huge;
    AppendFeatureValue(huge, 3e20f);
    EXPECT_EQ(huge, "3e+20");
}

TEST(FeatureFile, RoundTripsWithinTheWrittenPrecision) {
    FeatureMatrix features(3, 4);
    for (std::size_t i = 0; i < features.values.size(); ++i) {
        features.values[i] = static_cast<float>(std::sin(static_cast<double>(i)) * 50.0);
    }
    const std::string text = FormatFeatureFile(features);
    EXPECT_EQ(text.substr(0, 4), "3 4\n");
    const auto parsed = ParseFeatureFile(text);
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->frames, 3u);
    ASSERT_EQ(parsed->dims, 4u);
    for (std::size_t i = 0; i < features.values.size(); ++i) {
        EXPECT_NEAR(parsed->values[i], features.values[i], 5.1e-5);
    }
    // Written again, the parsed values give the same text.
    EXPECT_EQ(FormatFeatureFile(*parsed), text);
    EXPECT_TRUE(ParseFeatureFile("0 45\n"));
    // A file without frames may claim any row length; writing it back needs no room for a row.
    const auto empty = ParseFeatureFile("0 47342347342");
    ASSERT_TRUE(empty);
    EXPECT_EQ(FormatFeatureFile(*empty), "0 47342347342\n");

    // The pitch and cepstral-mean lines come back too, and go again.
    features.pitch = {0.0f, 123.4567f, 88.0f};
    features.cepstralMean = {-1.5f, 2.25f};
    const std::string withVoice = FormatFeatureFile(features);
    EXPECT_NE(withVoice.find("\npitch 0.0000 123.4567 88.0000\ncms 2 -1.5000 2.2500\n"),
              std::string::npos)
        << withVoice;
    const auto voiced = ParseFeatureFile(withVoice);
    ASSERT_TRUE(voiced);
    EXPECT_EQ(voiced->pitch, features.pitch);
    EXPECT_EQ(voiced->cepstralMean, features.cepstralMean);
    EXPECT_EQ(FormatFeatureFile(*voiced), withVoice);
}

TEST(FeatureFile, RefusesMalformedText) {
    for (const char* bad : {"", "2", "1 0\n", "2 2\n1 2 3\n", "1 2\n1 2 3\n", "1 2\n1 x\n",
                            "1 2\n1 nan\n", "1 2\n1 inf\n", "1 2\n1 1e999\n", "-1 2\n",
                            "99999999999 45\n1\n", "1 2\n1 2.3.4\n", "1 2\n1 --2\n",
                            // pitch: one value per frame, none negative; cms: fewer than dims
                            "1 2\n1 2\npitch\n", "1 2\n1 2\npitch -1\n", "1 2\n1 2\npitch 1 2\n",
                            "1 2\n1 2\ncms 2 1 2\n", "1 2\n1 2\ncms 1\n", "1 2\n1 2\ncms 0\n",
                            "1 2\n1 2\ncms 1 1\npitch 1\n",
                            // a cms count the text cannot hold, under a huge row length
                            "0 10000000000000\ncms 1299994887\n"}) {
        EXPECT_FALSE(ParseFeatureFile(bad)) << bad;
    }
    auto other = ParseFeatureFile("1 3\n1e-3 2 -.5\n");  // other number forms still read
    ASSERT_TRUE(other);
    EXPECT_FLOAT_EQ(other->values[0], 0.001f);
    EXPECT_FLOAT_EQ(other->values[2], -0.5f);
}

TEST(NumberReader, PlainDecimalsReadWithinOneUlpOfExact) {
    std::mt19937 random(11);
    std::uniform_int_distribution<long long> units(-99999999999, 99999999999);
    for (int i = 0; i < 10000; ++i) {
        const long long value = units(random);
        const std::string text = std::to_string(value / 10000) + "." +
                                 std::to_string(std::llabs(value % 10000) + 10000).substr(1);
        const std::string token = (value < 0 && value / 10000 == 0 ? "-" : "") + text;
        double fast = 0.0;
        NumberReader reader(token);
        ASSERT_TRUE(reader.Read(fast)) << token;
        const double exact = std::strtod(token.c_str(), nullptr);
        EXPECT_LE(std::abs(fast - exact), std::abs(exact) * 2.3e-16) << token;
    }
}

TEST(FeatureValues, ReadBackAsRoundTripFeatureValueSays) {
    std::mt19937 random(3);
    std::uniform_real_distribution<float> spread(-1000.0f, 1000.0f);
    for (int i = 0; i < 100000; ++i) {
        const float value = i < 4 ? std::array{0.0f, -0.00004f, 1e12f, -3e20f}[i] : spread(random);
        std::string text;
        AppendFeatureValue(text, value);
        float read = 0.0f;
        NumberReader reader(text);
        ASSERT_TRUE(reader.Read(read)) << text;
        ASSERT_EQ(read, RoundTripFeatureValue(value)) << text;
    }
}

TEST(FeatureFile, WrittenAndRoundedLeavesWhatTheFileReadsBackAs) {
    FeatureMatrix features(40, 45);
    std::mt19937 random(11);
    std::uniform_real_distribution<float> spread(-500.0f, 500.0f);
    for (float& value : features.values) {
        value = spread(random);
    }
    features.values[0] = -0.00004f;  // rounds to a zero without its sign
    features.values[1] = 3e20f;      // too large for four decimals
    features.pitch.assign(40, 0.0f);
    features.pitch[7] = 123.45678f;
    features.cepstralMean = {1.23456f, -7.00005f};
    const FeatureMatrix original = features;
    const auto path =
        std::filesystem::temp_directory_path() / ("rounded-" + std::to_string(getpid()));
    ASSERT_TRUE(WriteFeatureFileAndRound(path.string(), features));
    const auto text = ReadWholeFile(path.string());
    std::filesystem::remove(path);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, FormatFeatureFile(original)) << "the text is that of the values given";
    const auto parsed = ParseFeatureFile(*text);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(features.values, parsed->values);
    EXPECT_EQ(features.pitch, parsed->pitch);
    EXPECT_EQ(features.cepstralMean, parsed->cepstralMean);
    EXPECT_FALSE(std::signbit(features.values[0]));
}

class FeatureHandoff : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = std::filesystem::temp_directory_path() / ("handoff-" + std::to_string(getpid()));
    }
    void TearDown() override { std::filesystem::remove(path_); }
    std::string path_;
};

TEST_F(FeatureHandoff, HandsOverWhatTheFileWouldGiveOnlyWhileTheFileIsUnchanged) {
    FeatureMatrix features(2, 3);
    for (std::size_t i = 0; i < features.values.size(); ++i) {
        features.values[i] = static_cast<float>(i) * 1.23456789f - 2.0f;
    }
    ASSERT_TRUE(WriteFeatureFileAndRound(path_, features));
    RememberWrittenFeatures(path_, features);
    const auto handed = TakeWrittenFeatures(path_);
    ASSERT_TRUE(handed);
    EXPECT_EQ(handed->values, ParseFeatureFile(*ReadWholeFile(path_))->values);
    EXPECT_FALSE(TakeWrittenFeatures(path_));  // taken once

    RememberWrittenFeatures(path_, features);
    ASSERT_TRUE(WriteWholeFile(path_, "1 3\n1 2 3\n"));  // replaced since
    EXPECT_FALSE(TakeWrittenFeatures(path_));

    ASSERT_TRUE(WriteWholeFile(path_, FormatFeatureFile(features)));
    RememberWrittenFeatures(path_, features);
    ForgetWrittenFeatures();
    EXPECT_FALSE(TakeWrittenFeatures(path_));
}

}  // namespace
}  // namespace speech
