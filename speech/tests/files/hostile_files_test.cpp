// Both entry points against what another user may leave in the working directory: FIFOs,
// devices, directories and oversized files where inputs are read, links where outputs are
// written, and junk in the optional transitions file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "feature_handoff.h"
#include "recording.h"
#include "speech/speech.h"
#include "test_support.h"
#include "text_io.h"

namespace speech {
namespace {

namespace fs = std::filesystem;

// A call that blocks on a FIFO never returns: the watchdog ends it so the test fails instead.
constexpr unsigned kWatchdogSeconds = 10;
constexpr int kDidNotReturn = -1;

// Runs the call in a child process: the code it returned, or kDidNotReturn when the watchdog
// ended it or it crashed.
int RunGuarded(const std::function<int()>& call) {
    const pid_t child = fork();
    if (child == 0) {
        alarm(kWatchdogSeconds);
        _exit(call());
    }
    int status = 0;
    while (child > 0 && waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return child > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : kDidNotReturn;
}

int Extract() {
    test::ArgVector arguments(test::PipelineArguments());
    return ExtractFeatures(arguments.Count(), arguments.Data());
}

int Init() {
    test::ArgVector arguments({"init_hmm", "-input", "mfc.txt", "-models", "ml.txt", "-trans",
                               "trans.txt", "-mode", "ascii", "-state", "states.txt",
                               "-vfloor_file", "vfloor.txt", "-var_floor", "0.0002",
                               "-num_features", "45"});
    return InitHMM(arguments.Count(), arguments.Data());
}

class HostileFiles : public test::WorkDirTest {
  protected:
    // Recording 3 with a voice, as kelvo lists it for both steps; no features handed over from
    // another test's files.
    void SetUp() override {
        test::WorkDirTest::SetUp();
        ForgetWrittenFeatures();
        fs::copy_file(std::string(SPEECH_TEST_DATA) + "/voiceA_pass_1.raw", "3.raw");
        WriteFile("raw.txt", "3.raw");
        WriteFile("mfc.txt", "3.mfc");
        WriteFile("ml.txt", "0 sp\n1 sil");
    }
};

enum class Kind { kLinkToFile, kFifo, kDirectory, kDevice, kOversized };

// Puts a thing of the kind at name in place of the file there.
void Plant(const std::string& name, Kind kind, std::uintmax_t limit) {
    fs::rename(name, name + ".real");
    switch (kind) {
        case Kind::kLinkToFile:
            fs::create_symlink(name + ".real", name);
            break;
        case Kind::kFifo:
            ASSERT_EQ(mkfifo(name.c_str(), 0600), 0);
            break;
        case Kind::kDirectory:
            fs::create_directory(name);
            break;
        case Kind::kDevice:
            fs::create_symlink("/dev/zero", name);
            break;
        case Kind::kOversized:
            fs::copy_file(name + ".real", name);
            fs::resize_file(name, limit + 1);
            break;
    }
}

TEST_F(HostileFiles, InputsThatAreNotRegularFilesOrTooLargeAreRefusedAtOnce) {
    // InitHMM finds no voice in the feature file it reads, but only once every file is read.
    WriteFile("trans.txt", "1\n0.5 0.5\n");
    const struct {
        const char* name;
        int (*entry)();
        int code;  // with nothing planted, or a link to the file in its place
        std::uintmax_t limit;
    } inputs[] = {
        {"raw.txt", Extract, SPEECH_OK, kMaxListFileBytes},
        {"mfc.txt", Extract, SPEECH_OK, kMaxListFileBytes},
        {"3.raw", Extract, SPEECH_OK, kMaxRecordingFileBytes},
        {"mfc.txt", Init, SPEECH_ERR_TOO_LITTLE_SPEECH, kMaxListFileBytes},
        {"3.mfc", Init, SPEECH_ERR_TOO_LITTLE_SPEECH, kMaxFeatureFileBytes},
        {"ml.txt", Init, SPEECH_ERR_TOO_LITTLE_SPEECH, kMaxListFileBytes},
        {"trans.txt", Init, SPEECH_ERR_TOO_LITTLE_SPEECH, kMaxListFileBytes},
    };
    const struct {
        Kind kind;
        const char* what;
    } kinds[] = {{Kind::kLinkToFile, "a link to the file"},
                 {Kind::kFifo, "a FIFO"},
                 {Kind::kDirectory, "a directory"},
                 {Kind::kDevice, "a link to /dev/zero"},
                 {Kind::kOversized, "a file over the limit"}};
    for (const auto& input : inputs) {
        for (const auto [kind, what] : kinds) {
            const std::string label = std::string(input.name) + " is " + what;
            WriteFile("3.mfc", "0 45\n");
            ASSERT_EQ(RunGuarded(input.entry), input.code) << label << ": nothing planted";
            Plant(input.name, kind, input.limit);
            const int expected = kind == Kind::kLinkToFile ? input.code : SPEECH_ERR_READ;
            EXPECT_EQ(RunGuarded(input.entry), expected) << label;
            fs::remove_all(input.name);
            fs::rename(std::string(input.name) + ".real", input.name);
        }
    }
}

TEST_F(HostileFiles, OutputsNeverWriteThroughPlantedLinks) {
    ASSERT_EQ(Extract(), SPEECH_OK);
    ASSERT_EQ(Init(), SPEECH_OK);
    const std::vector<std::string> outputs = {"3.mfc", "states.txt", "vfloor.txt"};
    std::vector<std::string> expected;
    for (const std::string& output : outputs) {
        expected.push_back(ReadFile(output));
    }
    fs::create_directory("victim");
    // The temporary names these outputs once had, and the outputs themselves.
    std::vector<std::string> links;
    for (const std::string& output : outputs) {
        links.push_back(output + ".tmp" + std::to_string(getpid()));
        links.push_back(output);
    }
    for (const std::string& link : links) {
        for (const std::string& output : outputs) {
            fs::remove(output);
        }
        WriteFile("victim/file", "precious");
        fs::create_symlink("victim/file", link);
        EXPECT_EQ(Extract(), SPEECH_OK) << link;
        EXPECT_EQ(Init(), SPEECH_OK) << link;
        EXPECT_EQ(ReadFile("victim/file").substr(0, 40), "precious") << link;
        for (std::size_t i = 0; i < outputs.size(); ++i) {
            EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(outputs[i]))) << link;
            EXPECT_EQ(ReadFile(outputs[i]), expected[i]) << link;
        }
        if (fs::is_symlink(fs::symlink_status(link))) {
            fs::remove(link);  // the planted temporary name; a planted output was replaced
        }
        // Nothing is left beside the outputs and inputs: no temporary survives.
        EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 8) << link;
    }
}

TEST_F(HostileFiles, JunkTransitionsFileFailsTheRunCleanly) {
    ASSERT_EQ(Extract(), SPEECH_OK);
    const struct {
        const char* what;
        std::string content;  // empty: no file; "->x": a link to x
        int code;
    } cases[] = {
        {"no file: the default topology", "", SPEECH_OK},
        {"a link to nothing: as no file", "->nowhere", SPEECH_OK},
        {"a valid file", "2\n0.5 0.5 0\n0 0.5 0.5\n", SPEECH_OK},
        {"text", "not a transitions file\n", SPEECH_ERR_FORMAT},
        {"binary", std::string("\177ELF\2\1\1\0\0\377\376", 11), SPEECH_ERR_FORMAT},
        {"too many states", "100000000000000000000\n", SPEECH_ERR_FORMAT},
        {"rows cut short", "3\n0.5 0.5 0 0\n", SPEECH_ERR_FORMAT},
        {"a number too large", "1\n1e999 0\n", SPEECH_ERR_FORMAT},
        {"a link to a device", "->/dev/zero", SPEECH_ERR_READ},
    };
    for (const auto& c : cases) {
        fs::remove("trans.txt");
        if (c.content.starts_with("->")) {
            fs::create_symlink(c.content.substr(2), "trans.txt");
        } else if (!c.content.empty()) {
            WriteFile("trans.txt", c.content);
        }
        EXPECT_EQ(RunGuarded(Init), c.code) << c.what;
        EXPECT_EQ(fs::exists("states.txt"), c.code == SPEECH_OK) << c.what;
    }
}

}  // namespace
}  // namespace speech
