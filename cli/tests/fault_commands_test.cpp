// A broken profile directory is reported as what it is, with an exit status of its own, never
// as a rejected voice; a failed write leaves the profile as it was; the profile is private.
#include <sys/mount.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "cli_test.h"

namespace kelvo_cli_test {
namespace {

namespace fs = std::filesystem;

class CliFaults : public CliTest {
  protected:
    void SetUp() override {
        CliTest::SetUp();
        ASSERT_EQ(Kelvo({"enrol", "--dir", "p", "Alice", Sample("voiceA_pass_1.raw")}).exit_code,
                  0);
    }

    // Runs kelvo under a file-size limit of `blocks` 512-byte blocks, with the signal that
    // the limit would raise ignored, as writes to a full disk or past a quota fail.
    static test_support::ChildResult KelvoWithSizeLimit(long blocks,
                                                        const std::vector<std::string>& args) {
        std::vector<std::string> shell = {
            "-c", "trap '' XFSZ; ulimit -f " + std::to_string(blocks) + "; exec \"$0\" \"$@\"",
            KELVO_CLI};
        shell.insert(shell.end(), args.begin(), args.end());
        return test_support::RunProgram("/bin/sh", shell, {}, ".");
    }

    static unsigned ModeOf(const fs::path& path) {
        struct stat status {};
        return stat(path.c_str(), &status) == 0 ? status.st_mode & 0777 : 0;
    }
};

// Whatever stands in the way, verify names it and exits with the set-up status (8); a script
// tells that from a rejection (1). Enrol and forget say the same.
TEST_F(CliFaults, ABrokenDirectoryIsAnErrorNamingWhatIsBrokenNeverARejection) {
    const struct {
        const char* name;
        std::function<void()> breakIt;
        const char* named;  // in the message
        bool forgetToo;     // forget takes the lock but runs no pipeline
    } cases[] = {
        {"lock a directory",
         [] {
             fs::remove("p/kelvo.lock");
             fs::create_directory("p/kelvo.lock");
         },
         "kelvo.lock", true},
        {"lock a FIFO",
         [] {
             fs::remove("p/kelvo.lock");
             mkfifo("p/kelvo.lock", 0600);
         },
         "kelvo.lock", true},
        {"lock a link",
         [] {
             fs::remove("p/kelvo.lock");
             fs::create_symlink("/nonexistent", "p/kelvo.lock");
         },
         "kelvo.lock", true},
        {"transitions a directory", [] { fs::create_directory("p/trans.txt"); }, "trans.txt",
         false},
        {"states.txt a directory with a file",
         [] {
             fs::remove("p/states.txt");
             fs::create_directories("p/states.txt/x");
         },
         "states.txt", false},
    };
    for (const auto& c : cases) {
        c.breakIt();
        const auto verify =
            Kelvo({"verify", "--dir", "p", "--json", "Alice", Sample("voiceA_pass_2.raw")});
        EXPECT_EQ(verify.exit_code, 8) << c.name;
        EXPECT_NE(verify.err.find(c.named), std::string::npos) << c.name << ": " << verify.err;
        EXPECT_FALSE(Json(verify).contains("accepted")) << c.name << ": no decision was made";
        const auto enrol = Kelvo({"enrol", "--dir", "p", "Alice", Sample("voiceA_pass_2.raw")});
        EXPECT_EQ(enrol.exit_code, 8) << c.name;
        EXPECT_NE(enrol.err.find(c.named), std::string::npos) << c.name << ": " << enrol.err;
        if (c.forgetToo) {
            const auto forget = Kelvo({"forget", "--dir", "p", "Alice"});
            EXPECT_EQ(forget.exit_code, 8) << c.name;
            EXPECT_NE(forget.err.find(c.named), std::string::npos) << c.name << ": " << forget.err;
        }
        fs::remove_all("p/kelvo.lock");
        fs::remove_all("p/trans.txt");
        fs::remove_all("p/states.txt");
        EXPECT_EQ(Kelvo({"verify", "--dir", "p", "Alice", Sample("voiceA_pass_2.raw")}).exit_code,
                  0)
            << c.name << ": mended, the speaker verifies again";
    }
}

// A write that fails part-way (a full disk, a quota) leaves the profile byte for byte as it
// was, whether the profile is appended to (enrol) or rewritten (forget), and leaves no
// temporary behind. The enrolment of Alice still verifies afterwards.
TEST_F(CliFaults, AFailedWriteLeavesTheProfileByteForByte) {
    std::string others;
    for (int i = 0; i < 1500; ++i) {
        others += "other" + std::to_string(i) + " 1";
        for (int v = 0; v < 45; ++v) {
            others += " 1.000000e+04";
        }
        others += "\n";
    }
    WriteFile("p/kelvo.cfg", ReadFile("p/kelvo.cfg") + others);
    const std::string before = ReadFile("p/kelvo.cfg");
    const long justAbove = static_cast<long>(before.size() / 512 + 1);
    const struct {
        const char* name;
        long blocks;
        std::vector<std::string> args;
        int exitCode;
    } cases[] = {
        {"enrol, room for part of a line",
         justAbove,
         {"enrol", "--dir", "p", "Alice", Sample("voiceA_pass_2.raw")},
         8},
        {"enrol of a first take, room for part of a line",
         justAbove,
         {"enrol", "--dir", "p", "Bob", Sample("voiceB_pass_1.raw")},
         8},
        {"forget, room for a tenth of the profile",
         justAbove / 10,
         {"forget", "--dir", "p", "other7"},
         8},
    };
    for (const auto& c : cases) {
        const auto result = KelvoWithSizeLimit(c.blocks, c.args);
        EXPECT_EQ(result.exit_code, c.exitCode) << c.name << ": " << result.err;
        EXPECT_TRUE(ReadFile("p/kelvo.cfg") == before) << c.name << ": the profile changed";
        EXPECT_EQ(FilesIn("p"),
                  (std::vector<std::string>{"kelvo.cfg", "kelvo.lock", "mfc.txt", "ml.txt",
                                            "raw.txt", "states.txt", "vfloor.txt"}))
            << c.name;
    }
    EXPECT_EQ(Kelvo({"verify", "--dir", "p", "Alice", Sample("voiceA_pass_2.raw")}).exit_code, 0);
    EXPECT_EQ(Kelvo({"enrol", "--dir", "p", "Bob", Sample("voiceB_pass_1.raw")}).exit_code, 0);
    EXPECT_EQ(Kelvo({"verify", "--dir", "p", "Bob", Sample("voiceB_pass_2.raw")}).exit_code, 0);
}

// A disk with room for the converted recording but not for its features: the command says
// that the disk is full, not that the recording holds no voice. Needs a small file system of
// its own (a tmpfs mounted for the test, which needs the right to mount).
TEST_F(CliFaults, AFullDiskIsReportedAsSuch) {
    fs::create_directory("small");
    if (mount("tmpfs", "small", "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "cannot mount a small file system here";
    }
    const auto result = Kelvo({"enrol", "--dir", "small/p", "Alice", Sample("voiceA_pass_1.raw")});
    umount("small");
    EXPECT_EQ(result.exit_code, 8);
    EXPECT_NE(result.err.find("features"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("no space left on the device"), std::string::npos) << result.err;
}

// Voice templates are private: the directory the command makes and the profile in it are the
// owner's alone; a directory that was there keeps its own permissions. A temporary left by a
// killed rewrite is removed by the next call that holds the directory.
TEST_F(CliFaults, TheProfileIsPrivateAndStaleTemporariesGo) {
    EXPECT_EQ(ModeOf("p"), 0700u);
    EXPECT_EQ(ModeOf("p/kelvo.cfg"), 0600u);
    fs::create_directory("shared");
    fs::permissions("shared", fs::perms(0755));
    ASSERT_EQ(Kelvo({"enrol", "--dir", "shared", "Alice", Sample("voiceA_pass_1.raw")}).exit_code,
              0);
    EXPECT_EQ(ModeOf("shared"), 0755u);
    EXPECT_EQ(ModeOf("shared/kelvo.cfg"), 0600u);

    WriteFile("p/kelvo.cfg.kelvo-tmp.AbCdEfGhIjKl", "a killed rewrite's");
    WriteFile("p/kelvo.cfg.old", "the user's own copy");
    ASSERT_EQ(Kelvo({"verify", "--dir", "p", "Alice", Sample("voiceA_pass_2.raw")}).exit_code, 0);
    EXPECT_FALSE(fs::exists("p/kelvo.cfg.kelvo-tmp.AbCdEfGhIjKl"));
    EXPECT_TRUE(fs::exists("p/kelvo.cfg.old"));
}

}  // namespace
}  // namespace kelvo_cli_test
