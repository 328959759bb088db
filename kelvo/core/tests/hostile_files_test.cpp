// What others may leave in the working directory in place of kelvo's files: symbolic links,
// FIFOs, and profiles that are damaged or far too long.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "kelvo/core/profile_store.h"
#include "kelvo/kelvo.h"
#include "work_dir.h"

namespace kelvo {
namespace {

class HostileFiles : public testing::InWorkDir {
  protected:
    void SetUp() override {
        InWorkDir::SetUp();
        Record(1, testing::SteadyVoice());
    }

    // Enrols recording 1 and verifies it against the enrolment: 1 when both work, 0 when both
    // are refused, -1 for anything else.
    static int EnrolAndVerify() {
        const int trained = TrainSpeaker("Demo", 1);
        const double score = EvalSpeaker("Demo", 1);
        if (trained == KELVO_TRAIN_OK && score == 100.0) {
            return 1;
        }
        return trained == KELVO_TRAIN_PROFILE_NOT_WRITTEN && score == 0.0 ? 0 : -1;
    }

    static void RemoveWorkFiles() {
        for (const char* name : kWorkFiles) {
            std::filesystem::remove(name);
        }
    }

    static constexpr const char* kWorkFiles[] = {"raw.txt",    "mfc.txt",   "ml.txt",
                                                 "states.txt", "kelvo.cfg", "kelvo.lock"};
};

// The work files are replaced, never written through; "kelvo.cfg" and "kelvo.lock" must be
// regular files, so the call is refused. Nothing blocks on a FIFO either way.
TEST_F(HostileFiles, LinksAndFifosAtEveryFileNameAreNeitherFollowedNorBlocking) {
    const struct {
        const char* name;
        bool works;
    } cases[] = {
        {"raw.txt", true},    {"mfc.txt", true},    {"ml.txt", true},
        {"states.txt", true}, {"kelvo.cfg", false}, {"kelvo.lock", false},
    };
    const std::string victim = "victim.txt";
    for (const auto& c : cases) {
        for (const bool fifo : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (fifo ? " as a FIFO" : " as a link"));
            RemoveWorkFiles();
            WriteFile(victim, "precious");
            if (fifo) {
                ASSERT_EQ(mkfifo(c.name, 0600), 0);
            } else {
                std::filesystem::create_symlink(victim, c.name);
            }
            EXPECT_EQ(testing::InChild(EnrolAndVerify), c.works ? 1 : 0);
            EXPECT_EQ(ReadFile(victim), "precious");
        }
    }
}

TEST_F(HostileFiles, ADamagedProfileIsAppendedToOnALineOfItsOwn) {
    const std::string otherLine = FormatProfileLine("Other", 1, testing::SteadyVoice());
    const struct {
        const char* what;
        std::string profile;
    } cases[] = {
        {"an empty file", ""},
        {"no line feed at the end", otherLine.substr(0, otherLine.size() - 1)},
        {"a garbage line", "not a profile line at all\n"},
        {"garbage without a line feed", "@@ 1 2"},
        {"a truncated line", otherLine.substr(0, 200)},
        {"binary junk", std::string("\0\xff\x01\n\x80\0\x7f junk", 12)},
        {"a line beyond the line limit", std::string(kMaxProfileLineLength + 100, 'x')},
    };
    const std::string demoLine = FormatProfileLine("Demo", 1, testing::SteadyVoice());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(kProfileFile, c.profile);
        EXPECT_EQ(EnrolAndVerify(), 1);
        const bool ended = c.profile.empty() || c.profile.back() == '\n';
        EXPECT_EQ(ReadFile(kProfileFile), c.profile + (ended ? "" : "\n") + demoLine);
    }
    std::filesystem::remove(kProfileFile);
    std::filesystem::create_directory(kProfileFile);
    EXPECT_EQ(EnrolAndVerify(), 0);
}

TEST_F(HostileFiles, ProfileValuesOutsideThePipelinesRangeAcceptNothing) {
    for (const char* value : {"-1e9", "-1000", "-100", "0", "999", "19001", "1e12"}) {
        std::string line = "Demo 1";
        for (std::size_t i = 0; i < kFeatureCount; ++i) {
            line += std::string(" ") + value;
        }
        WriteFile(kProfileFile, line + "\n");
        EXPECT_EQ(EvalSpeaker("Demo", 1), 0.0) << value;
    }
}

}  // namespace
}  // namespace kelvo
