// Several takes compared with each other, and what an enrolment from them stores.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kelvo/core/call_reason.h"
#include "kelvo/core/profile_store.h"
#include "kelvo/core/scoring.h"
#include "kelvo/core/take_agreement.h"
#include "kelvo/core/take_enrolment.h"
#include "work_dir.h"

namespace kelvo {
namespace {

constexpr double kBase = 5000.0;
constexpr double kOff = 6000.0;  // a miss against kBase, and kBase one against it

// A take of the steady voice with the numbers from `first` to `first + count` off.
ModelVector Take(std::size_t first, std::size_t count) {
    ModelVector take;
    take.fill(kBase);
    for (std::size_t i = first; i < first + count && i < take.size(); ++i) {
        take[i] = kOff;
    }
    return take;
}

TEST(TakeAgreement, NamesTheTakesThatAreOff) {
    struct Case {
        const char* what;
        std::vector<ModelVector> takes;
        std::vector<std::size_t> outliers;
        bool noneAgree;
    };
    const Case cases[] = {
        {"one take: nothing to compare", {Take(0, 0)}, {}, false},
        {"takes alike", {Take(0, 0), Take(0, 2), Take(40, 2)}, {}, false},
        {"two takes, close enough", {Take(0, 0), Take(0, 18)}, {}, false},
        {"two takes apart: which is off cannot be told", {Take(0, 0), Take(0, 30)}, {}, true},
        {"a third take of something else", {Take(0, 0), Take(0, 3), Take(10, 30)}, {2}, false},
        {"off, but within the outlier limit", {Take(0, 0), Take(0, 3), Take(10, 14)}, {}, false},
        {"the first take is the one off", {Take(0, 30), Take(0, 0), Take(40, 2)}, {0}, false},
        {"two of five off, in turn",
         {Take(0, 0), Take(0, 40), Take(0, 1), Take(20, 17), Take(44, 1)},
         {1, 3},
         false},
        {"no two takes close", {Take(0, 0), Take(0, 22), Take(22, 22)}, {}, true},
        {"two pairs that disagree: nobody to blame",
         {Take(0, 0), Take(44, 1), Take(0, 30), Take(0, 29)},
         {},
         false},
    };
    for (const Case& c : cases) {
        const TakeAgreement agreement = CompareTakes(c.takes);
        EXPECT_EQ(agreement.outliers, c.outliers) << c.what;
        EXPECT_EQ(agreement.noneAgree, c.noneAgree) << c.what;
        for (std::size_t i = 0; i < c.takes.size(); ++i) {
            for (std::size_t j = 0; j < c.takes.size(); ++j) {
                EXPECT_EQ(agreement.misses[i][j], agreement.misses[j][i]) << c.what;
            }
        }
    }
}

TEST(TakeAgreement, TheCentralTakeIsClosestToTheOthers) {
    const TakeAgreement agreement = CompareTakes({Take(0, 12), Take(0, 6), Take(0, 0)});
    EXPECT_EQ(agreement.central, 1u);
    EXPECT_EQ(agreement.misses[0][2], 12.0);
    EXPECT_EQ(agreement.againstOthers[1], 0.0);  // 6 numbers halfway: within the tolerance
}

TEST(TakeAgreement, MeanLeavesOutTheSkippedTakes) {
    ModelVector low;
    low.fill(4000.0);
    ModelVector high;
    high.fill(8000.0);
    ModelVector far;
    far.fill(18000.0);
    EXPECT_EQ(MeanOfTakes({low, high, far}, {2})[0], 6000.0);
    EXPECT_EQ(MeanOfTakes({low})[44], 4000.0);  // one take is stored as it is
    EXPECT_EQ(MeanOfTakes({low, high}, {0, 1})[0], 0.0);
}

class TakeEnrolment : public testing::InWorkDir {
  protected:
    std::optional<EnrolledVectors> Enrolled() { return ReadProfile("Demo"); }
};

TEST_F(TakeEnrolment, StoresOneLineTheMeanOfTheTakesThatAgree) {
    Record(1, Take(0, 0));
    Record(2, Take(0, 40));  // another password
    Record(3, Take(0, 4));
    const TakesEnrolmentOutcome outcome = EnrolTakes("Demo", {1, 2, 3});
    ASSERT_EQ(outcome.reason, CallReason::kDone);
    EXPECT_EQ(outcome.stored, (std::vector<std::size_t>{0, 2}));
    const auto enrolled = Enrolled();
    ASSERT_TRUE(enrolled && enrolled->Complete());
    EXPECT_EQ(enrolled->lines, 1);
    EXPECT_EQ((*enrolled->first)[0], (kBase + kOff) / 2);
    EXPECT_EQ((*enrolled->first)[10], kBase);
    // The take that was off would not verify against what was stored.
    EXPECT_FALSE(
        CompareVectors(*enrolled->first, *enrolled->second, Take(0, 40), kPassThreshold).accepted);
}

TEST_F(TakeEnrolment, StoresNothingWhenNoTwoTakesMatch) {
    Record(1, Take(0, 0));
    Record(2, Take(0, 30));
    const TakesEnrolmentOutcome outcome = EnrolTakes("Demo", {1, 2});
    EXPECT_EQ(outcome.reason, CallReason::kTakesDisagree);
    EXPECT_EQ(KindOf(outcome.reason), ReasonKind::kNoVoice);
    EXPECT_TRUE(outcome.stored.empty());
    EXPECT_EQ(Enrolled()->lines, 0);
}

TEST_F(TakeEnrolment, ATakeThatCannotBeReadIsLeftOutOfTheComparison) {
    Record(1, Take(0, 0));
    Record(3, Take(0, 2));
    const TakesEnrolmentOutcome outcome = EnrolTakes("Demo", {1, 2, 3});  // no 2.raw
    EXPECT_EQ(outcome.reason, CallReason::kDone);
    EXPECT_EQ(outcome.takes[1], CallReason::kRecordingUnreadable);
    EXPECT_EQ(outcome.usable, (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(outcome.stored, (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(Enrolled()->lines, 1);
}

TEST_F(TakeEnrolment, AFaultStoresNothingAndEndsTheTakes) {
    Record(1, Take(0, 0));
    Record(2, Take(0, 0));
    speech_double::SetExtractFeaturesResult(-1);
    const TakesEnrolmentOutcome outcome = EnrolTakes("Demo", {1, 2});
    EXPECT_EQ(KindOf(outcome.reason), ReasonKind::kSetUp) << ReasonName(outcome.reason);
    EXPECT_EQ(outcome.takes[1], outcome.reason);
    EXPECT_TRUE(outcome.stored.empty());
    EXPECT_EQ(Enrolled()->lines, 0);
}

TEST_F(TakeEnrolment, ASingleTakeIsStoredAsItIs) {
    Record(1, Take(0, 40));
    ASSERT_EQ(EnrolTakes("Demo", {1}).reason, CallReason::kDone);
    EXPECT_EQ(*Enrolled()->first, Take(0, 40));
    EXPECT_EQ(EnrolTakes("bad name", {1}).reason, CallReason::kBadSpeakerName);
}

}  // namespace
}  // namespace kelvo
