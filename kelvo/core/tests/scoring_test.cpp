#include "kelvo/core/scoring.h"

#include <gtest/gtest.h>

#include <limits>

namespace kelvo {
namespace {

ModelVector Filled(double value) {
    ModelVector vector;
    vector.fill(value);
    return vector;
}

// Test and enrolment equal except for the first `count` features, where the test value and
// the enrolled value are `test` and `enrolled`.
struct Case {
    const char* what;
    double test;
    double enrolled;
    int count;
    bool accepted;
    double mean;
    double misses;
};

TEST(CompareVectors, FeatureSimilaritiesThresholdAndMissLimit) {
    const Case cases[] = {
        {"identical positive vectors", 50, 50, 0, true, 100.0, 0},
        {"differences below 1 are truncated away", 50.9, 50, 45, true, 100.0, 0},
        {"similarity 94 passes", 53, 47, 45, true, 94.0, 0},
        {"similarity 93 misses", 53.5, 46.5, 10, true, (10 * 93 + 35 * 100) / 45.0, 10},
        {"11 misses reject", 53.5, 46.5, 11, false, (11 * 93 + 34 * 100) / 45.0, 11},
        // The formula would give more than 100 where the values sum to a negative number.
        {"negative sums are misses that add nothing", -3, -1, 45, false, 0.0, 45},
        {"large negative enrolled values", 10000, -1e9, 45, false, 0.0, 45},
        // Similarities of -100000 (a = 1001, sum 1) would drag the mean below 0.
        {"the mean is never below 0", -500, 501, 10, true, 0.0, 10},
        // Undefined integer conversions literally; here a miss that adds nothing.
        {"values summing to 0", 1, -1, 1, true, 44 * 100 / 45.0, 1},
        {"both values 0", 0, 0, 1, true, 44 * 100 / 45.0, 1},
        {"difference beyond 32 bits", 3e9, 1, 1, true, 44 * 100 / 45.0, 1},
        {"difference of exactly INT_MIN", 0, 2147483648.0, 1, true, 44 * 100 / 45.0, 1},
        {"quotient beyond 32 bits", 1e9, -1e9 + 0.5, 1, true, 44 * 100 / 45.0, 1},
        {"NaN", std::numeric_limits<double>::quiet_NaN(), 1, 1, true, 44 * 100 / 45.0, 1},
        {"infinity", std::numeric_limits<double>::infinity(), 1, 1, true, 44 * 100 / 45.0, 1},
        {"45 NaN features reject", std::numeric_limits<double>::quiet_NaN(), 1, 45, false, 0.0, 45},
    };
    for (const Case& c : cases) {
        ModelVector test = Filled(50);
        ModelVector enrolled = Filled(50);
        for (int i = 0; i < c.count; ++i) {
            test[static_cast<std::size_t>(i)] = c.test;
            enrolled[static_cast<std::size_t>(i)] = c.enrolled;
        }
        if (c.count == 45) {
            // Whole-vector cases compare the value pairs everywhere.
            test = Filled(c.test);
            enrolled = Filled(c.enrolled);
        }
        const Comparison result = CompareVectors(enrolled, enrolled, test, kPassThreshold);
        EXPECT_EQ(result.accepted, c.accepted) << c.what;
        EXPECT_DOUBLE_EQ(result.mean, c.mean) << c.what;
        EXPECT_EQ(result.misses, c.misses) << c.what;
    }
}

TEST(CompareVectors, OnlyTheFirstEnrolmentScoresButBothMustPass) {
    const ModelVector test = Filled(50);
    const ModelVector matching = Filled(50);
    const ModelVector distant = Filled(10);  // similarity 100 - 40 * 100 / 60 = 33

    const Comparison secondDisagrees = CompareVectors(matching, distant, test, kPassThreshold);
    EXPECT_FALSE(secondDisagrees.accepted);
    EXPECT_DOUBLE_EQ(secondDisagrees.mean, 100.0);
    EXPECT_EQ(secondDisagrees.misses, 45.0);

    ModelVector fewDistant = matching;
    for (std::size_t i = 0; i < 10; ++i) {
        fewDistant[i] = 10;
    }
    const Comparison secondMissesTen = CompareVectors(matching, fewDistant, test, kPassThreshold);
    EXPECT_TRUE(secondMissesTen.accepted);
    EXPECT_DOUBLE_EQ(secondMissesTen.mean, 100.0);  // the second never enters the mean

    const Comparison firstMissesTen = CompareVectors(fewDistant, matching, test, kPassThreshold);
    EXPECT_TRUE(firstMissesTen.accepted);
    EXPECT_DOUBLE_EQ(firstMissesTen.mean, (10 * 33 + 35 * 100) / 45.0);
}

}  // namespace
}  // namespace kelvo
