// Tests that need a fresh process run one: a scenario of the test program itself (PortAudio,
// for one, reads the ALSA configuration and lists the devices once per process), or another
// program whose output the test reads. Either way the test sees what the child printed.
#pragma once

#include <sys/types.h>

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

namespace test_support {

struct ChildResult {
    int exit_code = -1;  // -1 when the child did not exit normally or did not start
    std::string out;
    std::string err;
};

// Runs `program` (looked up on PATH when it holds no '/') with `arguments`, in the working
// directory of this process and with its environment changed by `environment` (a value of ""
// removes the variable). Output is collected in files of `directory`. When the program cannot
// be started, `err` says why.
ChildResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                       const std::map<std::string, std::string>& environment,
                       const std::string& directory);

// Runs this test program with `arguments` after "--scenario", as RunProgram does.
ChildResult RunChild(const std::vector<std::string>& arguments,
                     const std::map<std::string, std::string>& environment,
                     const std::string& directory);

// Waits for each forked child and expects it to have exited normally with status 0; `why`
// says what a nonzero status means.
void ExpectChildrenSucceed(std::initializer_list<pid_t> children, const char* why);

// Whether `program` names an executable file in a directory of PATH.
bool OnPath(const std::string& program);

}  // namespace test_support
