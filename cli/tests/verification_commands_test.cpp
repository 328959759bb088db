// enrol, verify and eval on the committed sample recordings, and their input file errors.
#include <algorithm>
#include <filesystem>

#include "cli_test.h"

namespace kelvo_cli_test {
namespace {

namespace fs = std::filesystem;

class CliVerificationCommands : public CliTest {
  protected:
    // A committed sample as a 16-bit WAV, its level times `gain` (clipped at full scale) and only
    // `frames` of it from `first` on when frames > 0.
    static void WriteChangedSample(const std::string& sample, const std::string& wav, float gain,
                                   std::size_t first = 0, std::size_t frames = 0) {
        std::vector<float> samples = ReadSample(sample);
        ASSERT_FALSE(samples.empty());
        if (frames > 0) {
            samples =
                std::vector<float>(samples.begin() + static_cast<std::ptrdiff_t>(first),
                                   samples.begin() + static_cast<std::ptrdiff_t>(first + frames));
        }
        for (float& value : samples) {
            value = std::clamp(value * gain, -1.0f, 1.0f);
        }
        WriteWave(wav, samples, 11025, 1);
    }
};

// Inputs that are no sound: each named in the message, exit status 3, nothing enrolled or
// played.
TEST_F(CliVerificationCommands, InputFileErrors) {
    fs::create_directory("take.wav");  // a directory where a file should be
    WriteFile("notes.txt", "just some text, not a sound\n");
    fs::create_directory("p");
    WriteFile("p/kelvo.cfg", "Alice 1 1.0e+03\n");
    struct Case {
        const char* file;
        const char* message;
    };
    for (const Case& c : {Case{"missing.wav", "cannot open (No such file or directory)"},
                          Case{"take.wav", "is a directory"},
                          Case{"notes.txt", "not a sound file libsndfile can read ("}}) {
        for (const char* command : {"enrol", "verify"}) {
            const auto result = Kelvo({command, "--dir", "p", "Alice", c.file});
            EXPECT_EQ(result.exit_code, 3) << command << " " << c.file;
            EXPECT_NE(result.err.find(std::string("kelvo: ") + c.file + ": " + c.message),
                      std::string::npos)
                << result.err;
        }
        EXPECT_EQ(Kelvo({"play", c.file}).exit_code, 3) << c.file;
        WriteFile("trials.tsv", Sample("voiceA_pass_1.raw") + "\t" + c.file + "\ttarget\n");
        EXPECT_EQ(Kelvo({"eval", "trials.tsv"}).exit_code, 3) << c.file;
    }
    EXPECT_TRUE(ReadFile("p/kelvo.cfg") == "Alice 1 1.0e+03\n");
}

// A recording the library cannot enrol is reported as it reports it; the other file of the
// same call is still enrolled.
TEST_F(CliVerificationCommands, EnrolReportsEachFile) {
    const auto result = Kelvo({"enrol", "--dir", "p", "--json", "Alice", Sample("silence.raw"),
                               Sample("voiceA_pass_1.raw")});
    EXPECT_EQ(result.exit_code, 5);
    const nlohmann::json json = Json(result);
    EXPECT_EQ(json["files"][0]["code"], "no-model-vector");
    // The take says what was wrong with it and what to do.
    EXPECT_EQ(json["files"][0]["take"]["problem"], "silent");
    EXPECT_NE(result.err.find("silent: nothing was heard"), std::string::npos) << result.err;
    EXPECT_EQ(json["files"][1]["take"]["problem"], "none");
    EXPECT_EQ(json["files"][1]["code"], "ok");
    EXPECT_EQ(json["enrolled"], 1);
    EXPECT_NE(result.err.find("silence.raw: not enrolled: silent"), std::string::npos);
    for (const auto& entry : fs::directory_iterator("p")) {
        const fs::path extension = entry.path().extension();
        EXPECT_TRUE(extension != ".raw" && extension != ".mfc") << "left behind: " << entry.path();
    }
}

// Several takes are compared with each other: one that is off is named and left out, takes
// that do not match are refused, and what is stored is one line, the takes' mean.
TEST_F(CliVerificationCommands, EnrolComparesSeveralTakes) {
    struct Case {
        const char* what;
        std::vector<std::string> takes;
        int exitCode;
        std::size_t stored;        // takes in the enrolment
        const char* message;       // on standard error
        const char* rejectedTake;  // then verifies as rejected, when set
    };
    const Case cases[] = {
        {"a take of another PIN among three",
         {"real16_1234_4", "real16_1234_5", "real16_5678_1"},
         0,
         2,
         "real16_5678_1.raw: does not match the other takes (",
         "real16_5678_1"},
        {"another speaker's take among four",
         {"real16_1234_4", "real21_1234_4", "real16_1234_5", "real16_5678_1"},
         0,
         2,
         "real21_1234_4.raw: does not match the other takes (",
         "real21_1234_4"},
        {"two takes that do not match",
         {"real16_1234_4", "real21_1234_4"},
         5,
         0,
         "Alice: not enrolled: the takes do not match one another",
         nullptr},
        {"two takes that differ, which is off cannot be told",
         {"real16_1234_4", "real16_5678_1"},
         0,
         2,
         "the two takes differ at 17 numbers (a verification allows 10)",
         nullptr},
    };
    for (const Case& c : cases) {
        fs::remove_all("p");
        std::vector<std::string> arguments = {"enrol", "--dir", "p", "--json", "Alice"};
        for (const std::string& take : c.takes) {
            arguments.push_back(Sample(take + ".raw"));
        }
        const auto result = Kelvo(arguments);
        EXPECT_EQ(result.exit_code, c.exitCode) << c.what << "\n" << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << c.what << "\n" << result.err;
        const nlohmann::json json = Json(result);
        EXPECT_EQ(json["enrolled"], c.stored) << c.what;
        const std::string profile = fs::exists("p/kelvo.cfg") ? ReadFile("p/kelvo.cfg") : "";
        EXPECT_EQ(std::count(profile.begin(), profile.end(), '\n'), c.stored > 0 ? 1 : 0) << c.what;
        if (c.rejectedTake != nullptr) {
            EXPECT_EQ(Kelvo({"verify", "--dir", "p", "Alice",
                             Sample(std::string(c.rejectedTake) + ".raw")})
                          .exit_code,
                      1)
                << c.what;
            EXPECT_EQ(
                Kelvo({"verify", "--dir", "p", "Alice", Sample("real16_1234_5.raw")}).exit_code, 0)
                << c.what;
        }
    }
}

// A rejection says why: what was wrong with a poor take first, and how far the attempt was.
TEST_F(CliVerificationCommands, ARejectionSaysWhy) {
    ASSERT_EQ(Kelvo({"enrol", "--dir", "p", "Alice", Sample("real16_1234_4.raw")}).exit_code, 0);
    ASSERT_NO_FATAL_FAILURE(WriteChangedSample("real16_1234_5.raw", "quiet.wav", 0.1f));
    ASSERT_NO_FATAL_FAILURE(WriteChangedSample("real16_1234_5.raw", "short.wav", 1.0f, 4000, 3000));
    struct Case {
        std::string file;
        const char* why;
        bool compared;  // the reason holds the distance
    };
    for (const Case& c :
         {Case{"quiet.wav", "too quiet: ", true}, Case{"short.wav", "too short: ", false},
          Case{Sample("silence.raw"), "silent: ", false},
          Case{Sample("real21_1234_4.raw"), "not the enrolled voice or password: ", true}}) {
        const auto result = Kelvo({"verify", "--dir", "p", "--json", "Alice", c.file});
        EXPECT_EQ(result.exit_code, 1) << c.file << "\n" << result.err;
        const nlohmann::json json = Json(result);
        EXPECT_EQ(json["accepted"], false) << c.file;
        const std::string why = json.value("why", "");
        EXPECT_EQ(why.rfind(c.why, 0), 0u) << c.file << ": " << why;
        EXPECT_EQ(
            why.find(" numbers outside the tolerance, at most 10 may be") != std::string::npos,
            c.compared)
            << c.file << ": " << why;
    }
    EXPECT_EQ(Kelvo({"verify", "--dir", "p", "Alice", Sample("real16_1234_5.raw")}).exit_code, 0);
}

// A poor take is asked for again whether the comparison stored it or left it out.
TEST_F(CliVerificationCommands, APoorTakeAmongSeveralIsAskedForAgain) {
    ASSERT_NO_FATAL_FAILURE(WriteChangedSample("real16_1234_4.raw", "loud.wav", 10.0f));
    const auto result =
        Kelvo({"enrol", "--dir", "p", "--json", "Alice", Sample("real16_1234_4.raw"),
               Sample("real16_1234_5.raw"), "loud.wav"});
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_NE(result.err.find("loud.wav: clipped: "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("; enrol another take"), std::string::npos) << result.err;
    EXPECT_EQ(Json(result)["files"][2]["take"]["problem"], "clipped");
}

// A 44.1 kHz 16-bit stereo WAV is converted to what the library takes: the enrolled voice is
// accepted, another voice rejected, an unknown speaker told apart from a rejection.
TEST_F(CliVerificationCommands, VerifiesCdQualityWaves) {
    ASSERT_NO_FATAL_FAILURE(WriteCdWave("voiceA_pass_2.raw", "same.wav"));
    ASSERT_NO_FATAL_FAILURE(WriteCdWave("voiceB_pass_1.raw", "other.wav"));
    ASSERT_EQ(Kelvo({"enrol", "--dir", "p", "Alice", Sample("voiceA_pass_1.raw")}).exit_code, 0);

    const auto same = Kelvo({"verify", "--dir", "p", "--json", "Alice", "same.wav"});
    EXPECT_EQ(same.exit_code, 0) << same.err;
    EXPECT_EQ(Json(same)["accepted"], true);
    EXPECT_GT(Json(same)["score"].get<double>(), 90.0);
    EXPECT_NE(Kelvo({"verify", "--dir", "p", "Alice", "same.wav"}).out.find("accepted"),
              std::string::npos);

    // Options that every command takes may come before its name.
    const auto other = Kelvo({"--json", "--dir", "p", "verify", "Alice", "other.wav"});
    EXPECT_EQ(other.exit_code, 1);
    EXPECT_EQ(Json(other)["accepted"], false);
    EXPECT_EQ(Json(other)["score"], 0.0);
    // A rejection says how far the attempt was, against the limit.
    EXPECT_GT(Json(other)["misses"].get<int>(), Json(other)["miss_limit"].get<int>());
    EXPECT_NE(Kelvo({"verify", "--dir", "p", "Alice", "other.wav"})
                  .out.find("not the enrolled voice or password: "),
              std::string::npos);

    const auto unknown = Kelvo({"verify", "--dir", "p", "Bob", "same.wav"});
    EXPECT_EQ(unknown.exit_code, 4);
    EXPECT_NE(unknown.err.find("no speaker Bob in p"), std::string::npos) << unknown.err;
}

// Paths relative to the list's folder; a failed enrolment's trials are counted as not run.
TEST_F(CliVerificationCommands, EvalCountsRatesAndPlots) {
    fs::create_directory("lists");
    fs::copy_file(Sample("voiceA_pass_2.raw"), "lists/voiceA_pass_2.raw");
    std::string trials = "enrol\ttest\tlabel\n# the synthetic voices\n";
    for (const auto& [enrol, test, label] : std::vector<std::array<std::string, 3>>{
             {"voiceA_pass_1", "", "target"},
             {"voiceA_pass_1", "voiceB_pass_1", "impostor"},
             {"voiceA_pass_1", "voiceA_other_1", "wrong-phrase"},
             {"real16_1234_4", "real16_1234_5", "target"},
             {"real16_1234_4", "real21_1234_4", "impostor"},
             {"real16_1234_4", "real16_5678_1", "wrong-phrase"},
             {"silence", "voiceA_pass_1", "target"},
         }) {
        trials += Sample(enrol + ".raw") + "\t" +
                  (test.empty() ? "voiceA_pass_2.raw" : Sample(test + ".raw")) + "\t" + label +
                  "\n";
    }
    WriteFile("lists/trials.tsv", trials);

    const bool gnuplot = test_support::OnPath("gnuplot");
    std::vector<std::string> arguments = {"eval",   "lists/trials.tsv", "--jobs",       "2",
                                          "--json", "--results",        "per-trial.tsv"};
    if (gnuplot) {
        arguments.insert(arguments.end(), {"--plot", "scores.png"});
    }
    const auto result = Kelvo(arguments);
    ASSERT_EQ(result.exit_code, 0) << result.err;
    const nlohmann::json json = Json(result);
    EXPECT_EQ(json["trials"], 7);
    EXPECT_EQ(json["enrolments"],
              nlohmann::json::parse(R"({"total": 3, "failed": 1, "trials_not_run": 1})"));
    EXPECT_EQ(json["labels"]["target"]["accepted"], 2);
    EXPECT_EQ(json["labels"]["impostor"]["rejected"], 2);
    EXPECT_EQ(json["labels"]["wrong-phrase"]["rejected"], 2);
    EXPECT_EQ(json["false_rejection_rate"], 0.0);
    EXPECT_EQ(json["near_phrase_acceptance_rate"], nullptr);
    EXPECT_EQ(json["equal_error_rate"]["estimate"], 0.0);
    // Every trial's own result, in the object and in the file asked for.
    ASSERT_EQ(json["results"].size(), 7u);
    EXPECT_EQ(json["results"][0]["decision"], "accepted");
    EXPECT_EQ(json["results"][1]["decision"], "rejected");
    EXPECT_EQ(json["results"][6]["decision"], "not-run");
    EXPECT_EQ(json["results"][6]["score"], nullptr);
    const std::string table = ReadFile("per-trial.tsv");
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 8) << table;
    EXPECT_NE(table.find("\timpostor\t0.00\trejected\n"), std::string::npos) << table;
    if (gnuplot) {
        EXPECT_EQ(ReadFile("scores.png").substr(0, 4), "\x89PNG");
    }

    const auto noGnuplot =
        Kelvo({"eval", "lists/trials.tsv", "--plot", "x.png"}, {{"PATH", "/nonexistent"}});
    EXPECT_EQ(noGnuplot.exit_code, 7);
    EXPECT_NE(noGnuplot.err.find("gnuplot not found"), std::string::npos) << noGnuplot.err;
}

}  // namespace
}  // namespace kelvo_cli_test
