#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "corpus.h"
#include "temp_dir.h"
#include "trials.h"

namespace {

using namespace accuracy;

class Manifest : public test_support::InTempDir {};

TEST_F(Manifest, ReadsFourOrFiveColumnsAndRefusesRepeatsAndMalformedRows) {
    WriteFile("a.raw", "x");
    struct Case {
        std::vector<std::string> manifests;  // contents, read together in this order
        std::vector<std::string> changes;    // of the rows read; empty when it must throw
    };
    const std::string header = "voice\tphrase\tsession\tpath\tchange\n";
    const std::vector<Case> cases = {
        {{"v\tp\t1\ta.raw\n"}, {"clean"}},
        {{header + "v\tp\t1\ta.raw\tclean\nv\tp\t1\ta.raw\twhite-20\n"}, {"clean", "white-20"}},
        {{"v\tp\t1\ta.raw\n", "v\tp\t1\ta.raw\treverb\n"}, {"clean", "reverb"}},
        {{"v\tp\t1\ta.raw\n", "v\tp\t1\ta.raw\tclean\n"}, {}},  // repeated across manifests
        {{"v\tp\t1\ta.raw\treverb\nv\tp\t1\ta.raw\treverb\n"}, {}},
        {{"v\tp\t1\ta.raw\t\n"}, {}},  // empty change
        {{"v\tp\t1\ta.raw\treverb\textra\n"}, {}},
        {{"v\tp\t1\n"}, {}},
    };
    for (std::size_t c = 0; c < cases.size(); ++c) {
        std::vector<std::filesystem::path> paths;
        for (std::size_t m = 0; m < cases[c].manifests.size(); ++m) {
            paths.push_back(std::string("m").append(std::to_string(m)).append(".tsv"));
            WriteFile(paths.back(), cases[c].manifests[m]);
        }
        if (cases[c].changes.empty()) {
            EXPECT_THROW(ReadManifests(paths), std::runtime_error) << "case " << c;
            continue;
        }
        std::vector<std::string> changes;
        for (const Recording& recording : ReadManifests(paths)) {
            changes.push_back(recording.change);
        }
        EXPECT_EQ(changes, cases[c].changes) << "case " << c;
    }
}

TEST(ShareWord, ComparesWholeWordsOfThePhraseIds) {
    const std::vector<std::tuple<const char*, const char*, bool>> cases = {
        {"one-two-three-four", "one-two-three-nine", true},
        {"open-seven-four-enter", "one-two-three-four", true},
        {"one-two-three-four", "five-six-seven-eight", false},
        {"open-sesame", "open-door", true},
        {"silver-swans", "my-voice", false},
        {"open-door", "opener-doors", false},
        {"seven", "eleven-seven", true},
    };
    for (const auto& [a, b, shared] : cases) {
        EXPECT_EQ(ShareWord(a, b), shared) << a << " / " << b;
        EXPECT_EQ(ShareWord(b, a), shared) << b << " / " << a;
    }
}

// Two voices, three phrases (two of them sharing a word), two sessions, each recording clean
// and changed.
std::vector<Recording> SmallCorpus() {
    std::vector<Recording> recordings;
    for (const char* voice : {"A", "B"}) {
        for (const char* phrase : {"open-door", "open-gate", "red-sky"}) {
            for (int session = 1; session <= 2; ++session) {
                for (const char* change : {"clean", "pink-20"}) {
                    recordings.push_back({voice, phrase, session, "x.raw", change});
                }
            }
        }
    }
    return recordings;
}

TEST(PlanTrials, EnrolsCleanRecordingsAndTriesAllOthersButTheirOwnChanges) {
    const std::vector<Recording> recordings = SmallCorpus();
    const std::vector<Enrolment> enrolments = PlanTrials(recordings);
    ASSERT_EQ(enrolments.size(), recordings.size() / 2);
    for (const Enrolment& enrolment : enrolments) {
        const Recording& enrolled = recordings[enrolment.recording];
        EXPECT_TRUE(enrolled.Clean());
        std::map<TrialKind, int> kinds;
        for (const Trial& trial : enrolment.trials) {
            const Recording& test = recordings[trial.test];
            EXPECT_FALSE(test.voice == enrolled.voice && test.phrase == enrolled.phrase &&
                         test.session == enrolled.session);
            ++kinds[trial.kind];
        }
        // Per kind: sessions (2) x versions (2) of each voice or phrase it covers.
        const int near = enrolled.phrase == "red-sky" ? 0 : 4;
        EXPECT_EQ(kinds[TrialKind::kGenuine], 2);
        EXPECT_EQ(kinds[TrialKind::kImpostor], 4);
        EXPECT_EQ(kinds[TrialKind::kNearPhrase], near);
        EXPECT_EQ(kinds[TrialKind::kWrongPhrase], 8 - near);
    }
}

TEST(PlanTrials, CapsImpostorsSpreadOverVoicesTheSameOnEveryRun) {
    std::vector<Recording> recordings;
    for (const char* voice : {"A", "B", "C", "D"}) {
        for (int session = 1; session <= 3; ++session) {
            recordings.push_back({voice, "p", session, "x.raw", "clean"});
            recordings.push_back({voice, "q", session, "x.raw", "clean"});
        }
    }
    const std::vector<Enrolment> all = PlanTrials(recordings);
    const std::vector<Enrolment> capped = PlanTrials(recordings, 3);
    EXPECT_EQ(capped.size(), all.size());
    for (std::size_t e = 0; e < capped.size(); ++e) {
        std::map<std::string, int> impostorVoices;
        std::size_t others = 0;
        for (const Trial& trial : capped[e].trials) {
            if (trial.kind == TrialKind::kImpostor) {
                ++impostorVoices[recordings[trial.test].voice];
            } else {
                ++others;
            }
        }
        EXPECT_EQ(impostorVoices.size(), 3u) << "one of each other voice";
        EXPECT_EQ(others, all[e].trials.size() - 9);
    }
    const std::vector<Enrolment> again = PlanTrials(recordings, 3);
    for (std::size_t e = 0; e < capped.size(); ++e) {
        ASSERT_EQ(again[e].trials.size(), capped[e].trials.size());
        for (std::size_t t = 0; t < capped[e].trials.size(); ++t) {
            EXPECT_EQ(again[e].trials[t].test, capped[e].trials[t].test);
        }
    }
}

}  // namespace
