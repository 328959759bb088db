// A command interrupted (SIGINT, SIGTERM, SIGHUP) removes what it had not finished and dies
// of the signal; what a killed one (SIGKILL) left is removed by the next call, and nothing
// else is: neither a user's own recordings nor what a running call still uses. eval's
// workers never outlive it.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "cli_test.h"
#include "hostile_process.h"
#include "profile_dir.h"
#include "temporary_directory.h"

namespace kelvo_cli_test {
namespace {

namespace fs = std::filesystem;

// Nine minutes at 44.1 kHz: under the length limit, and converting it takes far longer than
// any of these tests runs.
constexpr std::uint64_t kLongFrames = 9ULL * 60 * 44100;

// The processes whose parent is `parent`, from /proc.
std::vector<pid_t> ChildrenOf(pid_t parent) {
    std::vector<pid_t> children;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (!std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            continue;
        }
        std::ifstream in(entry.path() / "stat");
        std::string stat;
        if (!std::getline(in, stat) || stat.rfind(')') == std::string::npos) {
            continue;
        }
        std::istringstream fields(stat.substr(stat.rfind(')') + 1));
        char state = 0;
        pid_t ppid = 0;
        if (fields >> state >> ppid && ppid == parent) {
            children.push_back(std::stoi(name));
        }
    }
    return children;
}

// Gone, or a zombie no one has reaped yet: it computes nothing more.
bool Ended(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    if (!std::getline(in, stat) || stat.rfind(')') == std::string::npos) {
        return true;
    }
    const char state = stat.at(stat.rfind(')') + 2);
    return state == 'Z' || state == 'X';
}

std::string DescribeStatus(int status) {
    if (WIFSIGNALED(status)) {
        return "killed by signal " + std::to_string(WTERMSIG(status));
    }
    return WIFEXITED(status) ? "exited with " + std::to_string(WEXITSTATUS(status)) : "?";
}

using CliInterruption = CliTest;

// Interrupted while it converts, enrol leaves no slot behind and dies of the very signal.
TEST_F(CliInterruption, AnInterruptedEnrolLeavesNoRecordingAndDiesOfTheSignal) {
    WriteSilentWave("long.wav", 44100, kLongFrames);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        fs::remove_all("p");
        fs::create_directory("p");
        WriteFile("p/7.raw", "a user's own recording");
        const pid_t kelvo = StartKelvo({"enrol", "--dir", "p", "Alice", "long.wav"});
        ASSERT_TRUE(WaitUntil([] { return fs::exists("p/1.raw"); })) << "no conversion began";
        kill(kelvo, signal);
        const int status = WaitForKelvo(kelvo);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal)
            << "signal " << signal << ": " << DescribeStatus(status);
        EXPECT_EQ(FilesIn("p"), std::vector<std::string>{"7.raw"}) << "signal " << signal;
    }
}

// Interrupted while it rewrites a large profile, forget removes its temporary and leaves the
// profile as it was.
TEST_F(CliInterruption, AnInterruptedForgetLeavesTheProfileAndNoTemporary) {
    fs::create_directory("p");
    WriteFile("p/kelvo.cfg", "Alice 1 1.0e+04\n");
    fs::resize_file("p/kelvo.cfg", std::uintmax_t{1} << 30);  // sparse: costs nothing to make
    const auto before = fs::last_write_time("p/kelvo.cfg");
    const pid_t kelvo = StartKelvo({"forget", "--dir", "p", "Alice"});
    const auto temporaryMade = [] {
        const auto files = FilesIn("p");
        return std::any_of(files.begin(), files.end(), [](const std::string& name) {
            return name.starts_with("kelvo.cfg.kelvo-tmp.");
        });
    };
    ASSERT_TRUE(WaitUntil(temporaryMade)) << "no rewrite began";
    kill(kelvo, SIGTERM);
    const int status = WaitForKelvo(kelvo);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << DescribeStatus(status);
    EXPECT_EQ(FilesIn("p"), (std::vector<std::string>{"kelvo.cfg", "kelvo.lock"}));
    EXPECT_EQ(fs::file_size("p/kelvo.cfg"), std::uintmax_t{1} << 30);
    EXPECT_EQ(fs::last_write_time("p/kelvo.cfg"), before);
}

// A killed enrol's slot (its marker no longer held) is removed by the next enrol; a user's
// recording without a marker is left as it was.
TEST_F(CliInterruption, AKilledEnrolsSlotIsRemovedByTheNextAndNothingElse) {
    WriteSilentWave("long.wav", 44100, kLongFrames);
    fs::create_directory("p");
    WriteFile("p/7.raw", "a user's own recording");
    const pid_t kelvo = StartKelvo({"enrol", "--dir", "p", "Alice", "long.wav"});
    ASSERT_TRUE(WaitUntil([] { return fs::exists("p/1.raw"); })) << "no conversion began";
    kill(kelvo, SIGKILL);
    WaitForKelvo(kelvo);
    ASSERT_TRUE(fs::exists("p/1.raw")) << "nothing was left to clean up";

    const auto next = Kelvo({"enrol", "--dir", "p", "Alice", Sample("voiceA_pass_1.raw")});
    EXPECT_EQ(next.exit_code, 0) << next.err;
    const std::vector<std::string> files = FilesIn("p");
    for (const std::string& name : files) {
        const std::string extension = fs::path(name).extension().string();
        EXPECT_TRUE(name == "7.raw" ||
                    (extension != ".raw" && extension != ".mfc" && extension != ".claim"))
            << "left behind: " << name;
    }
    EXPECT_TRUE(ReadFile("p/7.raw") == "a user's own recording");
}

// What each claim does with the slots it finds: only a marker of kelvo's that no process
// holds, and the recording it names, are removed; a held one, a user's recording or features,
// and a marker naming another file (its recording replaced) are kept.
TEST_F(CliInterruption, AClaimRemovesOnlyStaleSlotsOfItsOwn) {
    // A real slot of a process that was then killed: its files as they were left.
    const auto leaveSlot = [] {
        const pid_t child = fork();
        if (child == 0) {
            kelvo_cli::RecordingSlot slot;
            std::ofstream("1.mfc") << "features";
            kill(getpid(), SIGKILL);
        }
        int status = 0;
        waitpid(child, &status, 0);
    };
    const struct {
        const char* name;
        std::function<void()> make;
        bool held;
        int number;                      // the slot claimed
        std::vector<std::string> after;  // the files left once it is released
    } cases[] = {
        {"stale", leaveSlot, false, 1, {}},
        {"held", leaveSlot, true, 2, {"1.claim", "1.mfc", "1.raw"}},
        {"a user's recording", [] { std::ofstream("1.raw") << "mine"; }, false, 2, {"1.raw"}},
        {"a user's features", [] { std::ofstream("1.mfc") << "mine"; }, false, 2, {"1.mfc"}},
        {"recording replaced",
         [&] {
             leaveSlot();
             // Renamed over it, so that it is surely another file (another inode).
             std::ofstream("mine.raw") << "mine";
             fs::rename("mine.raw", "1.raw");
         },
         false,
         2,
         {"1.mfc", "1.raw"}},
        {"a user's .claim", [] { std::ofstream("1.claim") << "mine"; }, false, 2, {"1.claim"}},
    };
    for (const auto& c : cases) {
        fs::create_directory(c.name);
        fs::current_path(c.name);
        c.make();
        std::optional<int> lock;
        if (c.held) {
            lock = open("1.claim", O_RDONLY | O_CLOEXEC);
            ASSERT_EQ(flock(*lock, LOCK_EX | LOCK_NB), 0) << c.name;
        }
        {
            const kelvo_cli::RecordingSlot slot;
            EXPECT_EQ(slot.Number(), c.number) << c.name;
        }
        EXPECT_EQ(FilesIn("."), c.after) << c.name;
        if (lock) {
            close(*lock);
        }
        fs::current_path("..");
    }
}

// Of the directories in the temporary directory, a claim removes only kelvo's own that a
// killed call left (its marker not held), never one that is in use, another program's, another
// user's, or what a link leads to.
TEST_F(CliInterruption, ATemporaryDirectoryRemovesOnlyStaleOnesOfItsOwn) {
    fs::create_directory("tmp");
    fs::create_directory("elsewhere");
    const std::string tmp = fs::absolute("tmp");
    const char* previous = std::getenv("TMPDIR");
    const std::optional<std::string> saved =
        previous ? std::optional<std::string>(previous) : std::nullopt;
    // A real one of a process that was then killed.
    const auto leftBehind = [](const std::string& parent) {
        setenv("TMPDIR", parent.c_str(), 1);
        int ends[2];
        EXPECT_EQ(pipe(ends), 0);
        const pid_t child = fork();
        if (child == 0) {
            const kelvo_cli::TemporaryDirectory dir;
            const std::string path = dir.Path().string() + "\n";
            (void)!write(ends[1], path.data(), path.size());
            kill(getpid(), SIGKILL);
        }
        close(ends[1]);
        std::string path(4096, '\0');
        const ssize_t got = read(ends[0], path.data(), path.size());
        close(ends[0]);
        waitpid(child, nullptr, 0);
        return fs::path(path.substr(0, static_cast<std::size_t>(std::max<ssize_t>(got, 1) - 1)));
    };
    std::optional<kelvo_cli::TemporaryDirectory> inUse;
    const struct {
        const char* name;
        std::function<fs::path()> make;
        bool kept;
    } cases[] = {
        {"stale", [&] { return leftBehind(tmp); }, false},
        {"in use",
         [&] {
             setenv("TMPDIR", tmp.c_str(), 1);
             inUse.emplace();
             return inUse->Path();
         },
         true},
        {"no marker",
         [&] {
             fs::create_directory(tmp + "/kelvo-Ab3xyZ");
             return fs::path(tmp + "/kelvo-Ab3xyZ");
         },
         true},
        {"another program's name",
         [&] {
             const fs::path made = leftBehind(tmp);
             fs::rename(made, tmp + "/other-Ab3xyZ");
             return fs::path(tmp + "/other-Ab3xyZ");
         },
         true},
        {"another user's",
         [&] {
             const fs::path made = leftBehind(tmp);
             for (const fs::path& p : {made, made / kelvo_cli::kTemporaryMarker}) {
                 EXPECT_EQ(lchown(p.c_str(), 4242, 4242), 0) << "the test runs as root";
             }
             return made;
         },
         true},
        {"a link",
         [&] {
             const fs::path target = leftBehind(fs::absolute("elsewhere"));
             fs::create_directory_symlink(target, tmp + "/kelvo-L1nked");
             return target;
         },
         true},
    };
    std::vector<fs::path> made;
    for (const auto& c : cases) {
        made.push_back(c.make());
        ASSERT_TRUE(fs::exists(made.back())) << c.name;
    }
    setenv("TMPDIR", tmp.c_str(), 1);
    { const kelvo_cli::TemporaryDirectory fresh; }
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(fs::exists(made[i]), cases[i].kept) << cases[i].name;
    }
    inUse.reset();
    if (saved) {
        setenv("TMPDIR", saved->c_str(), 1);
    } else {
        unsetenv("TMPDIR");
    }
}

// eval's workers are busy converting when it is interrupted or killed: they end with it, and
// its work directory is removed, at once when it is interrupted, by the next eval when killed
// (SIGPIPE ignored, so that no write of a worker ends it by chance).
TEST_F(CliInterruption, EvalWorkersEndWithTheirParentAndTheWorkDirectoryGoes) {
    WriteSilentWave("long1.wav", 44100, kLongFrames);
    WriteSilentWave("long2.wav", 44100, kLongFrames);
    WriteFile("long.tsv", "long1.wav\t" + Sample("voiceA_pass_2.raw") + "\ttarget\nlong2.wav\t" +
                              Sample("voiceB_pass_1.raw") + "\timpostor\n");
    WriteFile("short.tsv",
              Sample("voiceA_pass_1.raw") + "\t" + Sample("voiceA_pass_2.raw") + "\ttarget\n");
    fs::create_directory("tmp");
    const struct {
        int signal;
        bool directoryGoesAtOnce;
    } cases[] = {{SIGTERM, true}, {SIGINT, true}, {SIGKILL, false}};
    for (const auto& c : cases) {
        Launch launch;
        launch.env["TMPDIR"] = fs::absolute("tmp");
        launch.ignoreSigpipe = true;
        const pid_t kelvo = StartKelvo({"eval", "long.tsv", "--jobs", "2"}, launch);
        std::vector<pid_t> workers;
        const bool busy = WaitUntil([&] {
            workers = ChildrenOf(kelvo);
            std::size_t converting = 0;
            for (const auto& dir : fs::directory_iterator("tmp")) {
                converting += fs::exists(dir.path() / "1" / "1.raw") ? 1 : 0;
                converting += fs::exists(dir.path() / "2" / "1.raw") ? 1 : 0;
            }
            return workers.size() == 2 && converting == 2;
        });
        EXPECT_TRUE(busy) << "signal " << c.signal << ": the workers never began";
        kill(kelvo, c.signal);
        const int status = WaitForKelvo(kelvo);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal)
            << "signal " << c.signal << ": " << DescribeStatus(status);
        EXPECT_TRUE(WaitUntil([&] { return std::all_of(workers.begin(), workers.end(), Ended); }))
            << "signal " << c.signal << ": a worker computes on for no one";
        for (const pid_t worker : workers) {
            kill(worker, SIGKILL);  // should one have lived on
        }
        if (c.directoryGoesAtOnce) {
            EXPECT_EQ(FilesIn("tmp"), std::vector<std::string>{}) << "signal " << c.signal;
        }
        const auto next = RunKelvo({"eval", "short.tsv", "--jobs", "1"}, launch);
        EXPECT_EQ(next.exit_code, 0) << next.err;
        EXPECT_EQ(FilesIn("tmp"), std::vector<std::string>{}) << "signal " << c.signal;
    }
}

}  // namespace
}  // namespace kelvo_cli_test
