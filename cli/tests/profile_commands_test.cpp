// kelvo's command line and the profile commands speakers and forget, on profiles written by
// hand; and where the profile directory is found.
#include <filesystem>

#include "cli_test.h"

namespace kelvo_cli_test {
namespace {

namespace fs = std::filesystem;

using CliProfileCommands = CliTest;

TEST_F(CliProfileCommands, UsageErrorsExitTwo) {
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {},
             {"enrol", "Alice"},
             {"verify", "--bogus", "Alice", "x.wav"},
             {"eval", "x.tsv", "--jobs", "0"},
             {"record", "x.wav", "--seconds", "-1"},
             {"dance"},
         }) {
        const auto result = Kelvo(arguments);
        EXPECT_EQ(result.exit_code, 2) << ::testing::PrintToString(arguments);
        EXPECT_NE(result.err.find("kelvo: "), std::string::npos) << result.err;
    }
    const auto json = Kelvo({"speakers", "--json", "--what"});
    EXPECT_EQ(json.exit_code, 2);
    EXPECT_EQ(Json(json)["exit_code"], 2);
}

TEST_F(CliProfileCommands, HelpListsTheCommandsAndExitCodes) {
    const auto result = Kelvo({"--help"});
    EXPECT_EQ(result.exit_code, 0);
    for (const char* word :
         {"enrol", "verify", "record", "play", "devices", "speakers", "forget", "eval", "7 "}) {
        EXPECT_NE(result.out.find(word), std::string::npos) << word;
    }
}

// A missing directory and an empty one have no speakers: not an empty success.
TEST_F(CliProfileCommands, NoSpeakersEnrolled) {
    fs::create_directory("empty");
    for (const char* dir : {"missing", "empty"}) {
        for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
                 {"speakers"}, {"verify", "Alice", "x.wav"}, {"forget", "Alice"}}) {
            std::vector<std::string> arguments = command;
            arguments.insert(arguments.end(), {"--dir", dir, "--json"});
            const auto result = Kelvo(arguments);
            EXPECT_EQ(result.exit_code, 4) << dir << " " << command[0];
            EXPECT_NE(result.err.find(std::string("no speakers enrolled in ") + dir),
                      std::string::npos)
                << result.err;
            EXPECT_EQ(Json(result)["exit_code"], 4);
        }
    }
    EXPECT_FALSE(fs::exists("missing")) << "only enrol creates the directory";
}

TEST_F(CliProfileCommands, DefaultDirectoryFromTheEnvironment) {
    const std::string here = fs::current_path();
    struct Case {
        std::map<std::string, std::string> env;
        std::string dir;
    };
    for (const Case& c : {
             Case{{{"KELVO_DIR", here + "/k"}}, here + "/k"},
             Case{{{"KELVO_DIR", ""}, {"XDG_DATA_HOME", here + "/x"}}, here + "/x/kelvo"},
             Case{{{"KELVO_DIR", ""}, {"XDG_DATA_HOME", ""}, {"HOME", here}},
                  here + "/.local/share/kelvo"},
         }) {
        const auto result = Kelvo({"speakers", "--json"}, c.env);
        EXPECT_EQ(Json(result)["directory"], c.dir);
    }
}

// Lines of other speakers stay byte for byte: a name that is a prefix of another, leading
// blanks, a last line without a line feed, and a line longer than the library reads whole.
TEST_F(CliProfileCommands, ForgetRemovesOnlyTheSpeakersLines) {
    const std::string longLine = "Dave 9 " + std::string(70000, '1') + "\n";
    const std::string lines[] = {"Alice 1 1.0e+03 \n", "Al 2 2.0e+03\n", "  Bob 3 x\r\n", longLine,
                                 "Alice 4 y\n",        "Carol 5 z"};
    const auto without = [&](std::initializer_list<std::size_t> removed) {
        std::string text;
        for (std::size_t i = 0; i < std::size(lines); ++i) {
            if (std::find(removed.begin(), removed.end(), i) == removed.end()) {
                text += lines[i];
            }
        }
        return text;
    };
    fs::create_directory("p");
    WriteFile("p/kelvo.cfg", without({}));
    const auto listed = Kelvo({"speakers", "--dir", "p", "--json"});
    EXPECT_EQ(listed.exit_code, 0);
    EXPECT_EQ(
        Json(listed)["speakers"],
        nlohmann::json::parse(R"([{"name":"Alice","enrolments":2},{"name":"Al","enrolments":1},
                {"name":"Bob","enrolments":1},{"name":"Dave","enrolments":1},
                {"name":"Carol","enrolments":1}])"));

    struct Case {
        const char* speaker;
        std::string expected;
        int removed;
        const char* said;
    };
    for (const Case& c : {Case{"Alice", without({0, 4}), 2, "Alice: 2 enrolments removed"},
                          Case{"Carol", without({5}), 1, "Carol: 1 enrolment removed"},
                          Case{"Bob", without({2}), 1, "Bob: 1 enrolment removed"},
                          Case{"Dave", without({3}), 1, "Dave: 1 enrolment removed"}}) {
        WriteFile("p/kelvo.cfg", without({}));
        const auto result = Kelvo({"forget", c.speaker, "--dir", "p", "--json"});
        EXPECT_EQ(result.exit_code, 0) << result.err;
        EXPECT_EQ(Json(result)["removed"], c.removed);
        EXPECT_TRUE(ReadFile("p/kelvo.cfg") == c.expected) << c.speaker;
        WriteFile("p/kelvo.cfg", without({}));
        EXPECT_NE(Kelvo({"forget", c.speaker, "--dir", "p"}).out.find(c.said), std::string::npos)
            << c.speaker;
    }
    WriteFile("p/kelvo.cfg", without({}));
    const auto unknown = Kelvo({"forget", "Zed", "--dir", "p"});
    EXPECT_EQ(unknown.exit_code, 4);
    EXPECT_NE(unknown.err.find("no speaker Zed in p"), std::string::npos) << unknown.err;
    EXPECT_TRUE(ReadFile("p/kelvo.cfg") == without({}));
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator("p")) {
        left.push_back(entry.path().filename());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"kelvo.cfg", "kelvo.lock"})) << "no temporaries";
}

TEST_F(CliProfileCommands, AProfileThatIsNotARegularFileIsRefused) {
    fs::create_directories("p/kelvo.cfg");
    EXPECT_EQ(Kelvo({"forget", "Alice", "--dir", "p"}).exit_code, 8);
    EXPECT_EQ(Kelvo({"speakers", "--dir", "p"}).exit_code, 4);
    EXPECT_TRUE(fs::is_directory("p/kelvo.cfg"));
}

}  // namespace
}  // namespace kelvo_cli_test
