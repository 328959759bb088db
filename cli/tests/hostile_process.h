// The kelvo program started as a process the test keeps hold of (to signal it, or to stop it
// when it would never end), and the inputs that make it work for a long time.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"

extern char** environ;

namespace kelvo_cli_test {

struct Launch {
    std::map<std::string, std::string> env;  // a value of "" removes the variable
    std::string out = "child.out";           // standard output; standard error is child.err
    bool ignoreSigpipe = false;
    std::uint64_t addressSpace = 0;  // a limit in bytes, 0 for none
};

// Starts kelvo in the working directory with the interrupting signals at their default
// action, whatever this test program was started with.
inline pid_t StartKelvo(const std::vector<std::string>& arguments, const Launch& launch = {}) {
    std::vector<std::string> strings = {KELVO_CLI};
    strings.insert(strings.end(), arguments.begin(), arguments.end());
    std::vector<std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string variable = *entry;
        if (launch.env.count(variable.substr(0, variable.find('='))) == 0) {
            variables.push_back(variable);
        }
    }
    for (const auto& [name, value] : launch.env) {
        if (!value.empty()) {
            variables.push_back(name + "=" + value);
        }
    }
    std::vector<char*> argv;
    for (std::string& s : strings) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& s : variables) {
        envp.push_back(s.data());
    }
    envp.push_back(nullptr);
    const pid_t pid = fork();
    if (pid != 0) {
        return pid;
    }
    for (const int interrupt : {SIGINT, SIGTERM, SIGHUP}) {
        std::signal(interrupt, SIG_DFL);
    }
    std::signal(SIGPIPE, launch.ignoreSigpipe ? SIG_IGN : SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (launch.addressSpace != 0) {
        const rlimit limit{launch.addressSpace, launch.addressSpace};
        setrlimit(RLIMIT_AS, &limit);
    }
    const int out = open(launch.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int err = open("child.err", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0 || err < 0 || dup2(out, STDOUT_FILENO) < 0 || dup2(err, STDERR_FILENO) < 0) {
        _exit(127);
    }
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
}

// Polls `condition` until it holds or `seconds` have passed; whether it held.
inline bool WaitUntil(const std::function<bool()>& condition, double seconds = 5.0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The wait status of the child, killed (and so failing the test) when it has not ended
// within `seconds`.
inline int WaitForKelvo(pid_t pid, double seconds = 5.0) {
    int status = 0;
    const bool ended = WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, seconds);
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        ADD_FAILURE() << "kelvo was still running after " << seconds << " s";
    }
    return status;
}

// Runs kelvo to its end as test_support::RunProgram does, but stopped (a failure) when it
// does not end within a few seconds.
inline test_support::ChildResult RunKelvo(const std::vector<std::string>& arguments,
                                          const Launch& launch = {}) {
    const int status = WaitForKelvo(StartKelvo(arguments, launch));
    test_support::ChildResult result;
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    for (const auto& [file, text] :
         {std::pair{launch.out, &result.out}, std::pair{std::string("child.err"), &result.err}}) {
        if (!std::filesystem::is_regular_file(file)) {
            continue;  // /dev/full reads as endless zeros
        }
        std::ifstream in(file, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        *text = content.str();
    }
    return result;
}

// A 16-bit mono PCM WAV of silence, written as a sparse file: long inputs cost nothing.
inline void WriteSilentWave(const std::filesystem::path& path, std::uint32_t rate,
                            std::uint64_t frames) {
    const auto le32 = [](std::uint64_t value) {
        return std::string{static_cast<char>(value), static_cast<char>(value >> 8),
                           static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
    };
    const std::uint64_t bytes = frames * 2;
    const std::string header = "RIFF" + le32(36 + bytes) + "WAVEfmt " + le32(16) +
                               std::string("\x01\x00\x01\x00", 4) + le32(rate) + le32(rate * 2) +
                               std::string("\x02\x00\x10\x00", 4) + "data" + le32(bytes);
    std::ofstream(path, std::ios::binary) << header;
    std::filesystem::resize_file(path, header.size() + bytes);
}

}  // namespace kelvo_cli_test
