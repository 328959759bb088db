#include "child_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

namespace test_support {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

ChildResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                       const std::map<std::string, std::string>& environment,
                       const std::string& directory) {
    std::vector<std::string> argv_strings = {program};
    argv_strings.insert(argv_strings.end(), arguments.begin(), arguments.end());

    std::vector<std::string> env_strings;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string variable = *entry;
        const std::string name = variable.substr(0, variable.find('='));
        if (environment.find(name) == environment.end()) {
            env_strings.push_back(variable);
        }
    }
    for (const auto& [name, value] : environment) {
        if (!value.empty()) {
            env_strings.push_back(name + "=" + value);
        }
    }

    const std::string out_path = directory + "/child.out";
    const std::string err_path = directory + "/child.err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_path.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_path.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);

    std::vector<char*> argv = Pointers(argv_strings);
    std::vector<char*> envp = Pointers(env_strings);
    ChildResult result;
    pid_t pid = 0;
    // posix_spawnp searches the PATH of this process, not the child's.
    const int spawned =
        posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        result.err = "cannot start " + program + ": " + std::strerror(spawned);
        return result;
    }
    int status = 0;
    pid_t waited = 0;
    do {
        waited = waitpid(pid, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited == pid && WIFEXITED(status)) {
        result.exit_code = WEXITSTATUS(status);
    }
    result.out = ReadAll(out_path);
    result.err = ReadAll(err_path);
    return result;
}

ChildResult RunChild(const std::vector<std::string>& arguments,
                     const std::map<std::string, std::string>& environment,
                     const std::string& directory) {
    std::vector<std::string> scenario = {"--scenario"};
    scenario.insert(scenario.end(), arguments.begin(), arguments.end());
    return RunProgram("/proc/self/exe", scenario, environment, directory);
}

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream directories(path == nullptr ? "" : path);
    std::string directory;
    while (std::getline(directories, directory, ':')) {
        const std::string candidate = (directory.empty() ? "." : directory) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

void ExpectChildrenSucceed(std::initializer_list<pid_t> children, const char* why) {
    for (const pid_t pid : children) {
        ASSERT_GT(pid, 0) << "the child did not start";
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << why;
    }
}

}  // namespace test_support
