// Inputs and surroundings that a careless or hostile caller gives the command: recordings too
// long for the library, trial lists that never end, a plot that cannot be written, empty
// arguments, an unknown command and a full standard output.
#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>

#include "cli_test.h"
#include "exit_codes.h"
#include "hostile_process.h"
#include "sound_conversion.h"
#include "trial_list.h"

namespace kelvo_cli_test {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kUnderAddressSanitizer = true;
#else
constexpr bool kUnderAddressSanitizer = false;
#endif
#else
constexpr bool kUnderAddressSanitizer = false;
#endif

namespace fs = std::filesystem;
using kelvo_cli::kMaxRecordingSamples;

constexpr const char* kTooLong = "longer than the 10 minutes a recording may last";

// A FLAC of silence whose header does not say how long it is (the total of samples left 0,
// as a streaming encoder writes it): only the converted output shows its length.
void WriteFlacOfUnknownLength(const fs::path& path, int rate, long long frames) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    const std::vector<short> silence(65536, 0);
    for (long long left = frames; left > 0;) {
        const auto count = std::min<long long>(left, static_cast<long long>(silence.size()));
        ASSERT_EQ(sf_writef_short(file, silence.data(), count), count);
        left -= count;
    }
    sf_close(file);
    // STREAMINFO's 36-bit total of samples: the low half of byte 21 and bytes 22 to 25.
    std::fstream patch(path, std::ios::binary | std::ios::in | std::ios::out);
    patch.seekg(21);
    const char high = static_cast<char>(patch.get() & 0xf0);
    patch.seekp(21);
    patch.write(&high, 1);
    patch.write("\0\0\0\0", 4);
    ASSERT_TRUE(patch.flush());
}

class CliHostileUse : public CliTest {
  protected:
    // eval's work directories go into "tmp" of the test's own directory, which is checked
    // to be empty once eval ended.
    static Launch WithOwnTmp() {
        fs::create_directories("tmp");
        Launch launch;
        launch.env["TMPDIR"] = fs::absolute("tmp");
        return launch;
    }
};

// The header's length alone decides, exactly at the library's limit; an unknown length is
// left to the output's count.
TEST(CliRecordingLength, OnlyAHeaderSayingMoreThanTenMinutesIsRefused) {
    const struct {
        int rate;
        long long frames;
        bool longer;
    } cases[] = {
        {11025, kMaxRecordingSamples, false},
        {11025, kMaxRecordingSamples + 1, true},
        {44100, 600LL * 44100, false},
        {44100, 600LL * 44100 + 1, true},
        {8000, 660LL * 8000, true},
        {96000, 1, false},
        {44100, std::numeric_limits<sf_count_t>::max(), false},  // libsndfile: unknown
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kelvo_cli::LongerThanARecording({c.rate, 1, c.frames}), c.longer)
            << c.rate << " Hz, " << c.frames << " frames";
    }
}

// An input whose header hides its length is converted up to the library's limit and not a
// sample further; one whose header tells is refused before anything is written.
TEST_F(CliHostileUse, ConversionStopsAtTheLongestRecordingTheLibraryTakes) {
    const struct {
        const char* file;
        long long frames;
        bool refused;
        long long written;  // bytes at most in the output
    } cases[] = {
        {"exact.flac", kMaxRecordingSamples, false, kMaxRecordingSamples},
        {"over.flac", kMaxRecordingSamples + 1, true, kMaxRecordingSamples},
        {"over.wav", kMaxRecordingSamples + 1, true, 0},
    };
    for (const auto& c : cases) {
        if (fs::path(c.file).extension() == ".flac") {
            ASSERT_NO_FATAL_FAILURE(
                WriteFlacOfUnknownLength(c.file, kelvo_cli::kKelvoRate, c.frames));
        } else {
            WriteSilentWave(c.file, kelvo_cli::kKelvoRate, static_cast<std::uint64_t>(c.frames));
        }
        const int fd = open("out.raw", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        try {
            kelvo_cli::ConvertToKelvoRecording(c.file, c.file, fd);
            EXPECT_FALSE(c.refused) << c.file;
            EXPECT_EQ(static_cast<long long>(fs::file_size("out.raw")), c.written) << c.file;
        } catch (const kelvo_cli::CliError& error) {
            EXPECT_TRUE(c.refused) << c.file << ": " << error.what();
            EXPECT_EQ(error.Code(), kelvo_cli::kExitInputFile) << c.file;
            EXPECT_EQ(std::string(error.what()), std::string(c.file) + ": " + kTooLong);
            EXPECT_LE(static_cast<long long>(fs::file_size("out.raw")), c.written) << c.file;
        }
    }
}

// Eleven minutes of silence, whether the header says so or not: enrol and eval refuse it
// as an input file error, and the profile directory keeps only what was in it.
TEST_F(CliHostileUse, ARecordingTooLongForTheLibraryIsAnInputFileError) {
    WriteSilentWave("long.wav", 8000, 660ULL * 8000);
    ASSERT_NO_FATAL_FAILURE(
        WriteFlacOfUnknownLength("hidden.flac", kelvo_cli::kKelvoRate, 660LL * 11025));
    fs::create_directory("p");
    WriteFile("p/notes.txt", "mine\n");
    for (const char* file : {"long.wav", "hidden.flac"}) {
        const auto enrol = RunKelvo({"enrol", "--dir", "p", "Alice", file});
        EXPECT_EQ(enrol.exit_code, 3) << file << ": " << enrol.err;
        EXPECT_NE(enrol.err.find(std::string(file) + ": " + kTooLong), std::string::npos)
            << enrol.err;
        EXPECT_EQ(FilesIn("p"), std::vector<std::string>{"notes.txt"}) << file;

        WriteFile("trials.tsv",
                  std::string(file) + "\t" + Sample("voiceA_pass_2.raw") + "\ttarget\n");
        const auto eval = RunKelvo({"eval", "trials.tsv", "--jobs", "1"}, WithOwnTmp());
        EXPECT_EQ(eval.exit_code, 3) << file << ": " << eval.err;
        EXPECT_NE(eval.err.find(kTooLong), std::string::npos) << eval.err;
        EXPECT_EQ(FilesIn("tmp"), std::vector<std::string>{}) << file;
    }
}

// A trial list is a regular file of a sensible size: anything else is refused at once, before
// it is read (a FIFO would block, /dev/zero never ends).
TEST_F(CliHostileUse, EvalRefusesTrialListsThatAreNoRegularFileOrTooLarge) {
    ASSERT_EQ(mkfifo("list.fifo", 0600), 0);
    fs::create_directory("folder");
    std::ofstream("big.tsv").close();
    fs::resize_file("big.tsv", kelvo_cli::kMaxTrialListBytes + 1);  // sparse
    const struct {
        const char* list;
        const char* message;
    } cases[] = {
        {"/dev/zero", "/dev/zero: not a regular file"},
        {"list.fifo", "list.fifo: not a regular file"},
        {"folder", "folder: is a directory"},
        {"big.tsv", "big.tsv: too large for a trial list"},
    };
    for (const auto& c : cases) {
        Launch launch = WithOwnTmp();
        // Reading without end then fails rather than swaps. AddressSanitizer reserves far more
        // address space than that for its shadow memory, so it goes without the limit (the
        // run is stopped after a few seconds either way).
        launch.addressSpace = kUnderAddressSanitizer ? 0 : std::uint64_t{2} << 30;
        const auto result = RunKelvo({"eval", c.list}, launch);
        EXPECT_EQ(result.exit_code, 3) << c.list << ": " << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
}

// Standard output carries one JSON object, even when gnuplot cannot write the PNG and falls
// back to writing it to its own standard output.
TEST_F(CliHostileUse, APlotThatCannotBeWrittenLeavesOneJsonObject) {
    if (!test_support::OnPath("gnuplot")) {
        GTEST_SKIP() << "gnuplot is not installed";
    }
    WriteFile("trials.tsv", Sample("voiceA_pass_1.raw") + "\t" + Sample("voiceA_pass_2.raw") +
                                "\ttarget\n" + Sample("voiceA_pass_1.raw") + "\t" +
                                Sample("voiceB_pass_1.raw") + "\timpostor\n");
    const auto result =
        RunKelvo({"eval", "trials.tsv", "--jobs", "1", "--plot", "/nonexistent/x.png", "--json"},
                 WithOwnTmp());
    EXPECT_EQ(FilesIn("tmp"), std::vector<std::string>{});
    EXPECT_EQ(result.exit_code, 7) << result.err;
    nlohmann::json json;
    ASSERT_NO_THROW(json = nlohmann::json::parse(result.out)) << result.out.substr(0, 64);
    EXPECT_EQ(json["exit_code"], 7);
    EXPECT_EQ(json["trials"], 2);
}

// No enrolment recording gave a model vector, so no trial ran: nothing was measured.
TEST_F(CliHostileUse, EvalWithoutASingleTrialRunIsNoSuccess) {
    WriteFile("trials.tsv", Sample("silence.raw") + "\t" + Sample("voiceA_pass_2.raw") +
                                "\ttarget\n" + Sample("silence.raw") + "\t" +
                                Sample("voiceB_pass_1.raw") + "\timpostor\n");
    const auto result = RunKelvo({"eval", "trials.tsv", "--jobs", "1", "--json"}, WithOwnTmp());
    EXPECT_EQ(FilesIn("tmp"), std::vector<std::string>{});
    EXPECT_EQ(result.exit_code, kelvo_cli::kExitNotEnrolled) << result.err;
    EXPECT_NE(result.err.find("no trial could be run"), std::string::npos) << result.err;
    EXPECT_EQ(Json(result)["exit_code"], kelvo_cli::kExitNotEnrolled);
}

// Empty names and paths, and words that are no command, are usage errors that say what is
// wrong.
TEST_F(CliHostileUse, EmptyArgumentsAndUnknownCommandsAreUsageErrors) {
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{"enrol", "alice", ""}, "FILE: must not be empty"},
        {{"enrol", "alice", "a.wav", ""}, "FILE: must not be empty"},
        {{"enrol", "", "a.wav"}, "NAME: must not be empty"},
        {{"enrol", "--dir", "", "alice", "a.wav"}, "--dir: must not be empty"},
        {{"verify", "alice", ""}, "FILE: must not be empty"},
        {{"verify", "", "a.wav"}, "NAME: must not be empty"},
        {{"record", ""}, "FILE: must not be empty"},
        {{"play", ""}, "FILE: must not be empty"},
        {{"speakers", "--dir", ""}, "--dir: must not be empty"},
        {{"forget", ""}, "NAME: must not be empty"},
        {{"eval", ""}, "TRIALS: must not be empty"},
        {{"eval", "t.tsv", "--plot", ""}, "--plot: must not be empty"},
        {{"frob"}, "kelvo: unknown command frob"},
        {{"frob", "alice", "a.wav"}, "kelvo: unknown command frob"},
    };
    for (const auto& c : cases) {
        const auto result = Kelvo(c.arguments);
        EXPECT_EQ(result.exit_code, 2) << ::testing::PrintToString(c.arguments);
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("--help"), std::string::npos) << result.err;
    }
    EXPECT_FALSE(fs::exists("p") || fs::exists("a.wav"));
}

// What standard output does not take is an error of the set-up, not a success.
TEST_F(CliHostileUse, AStandardOutputThatCannotBeWrittenIsASetUpFault) {
    fs::create_directory("p");
    WriteFile("p/kelvo.cfg", "Alice 1 1.0e+03\n");
    Launch full;
    full.out = "/dev/full";
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"speakers", "--dir", "p"},
             {"speakers", "--dir", "p", "--json"},
             {"--help"},
         }) {
        const auto result = RunKelvo(arguments, full);
        EXPECT_EQ(result.exit_code, kelvo_cli::kExitSetUp) << ::testing::PrintToString(arguments);
        EXPECT_NE(result.err.find("kelvo: cannot write to standard output"), std::string::npos)
            << result.err;
    }
    EXPECT_EQ(RunKelvo({"speakers", "--dir", "p"}).exit_code, 0) << "the same, written";
}

}  // namespace
}  // namespace kelvo_cli_test
