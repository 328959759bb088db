// Each scenario runs in a fresh child process of the test program: PortAudio reads the ALSA
// configuration and lists the devices once per process, and the test must see what a program
// prints on stderr.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace portaudio_test {

struct ChildResult {
    int exit_code = -1;  // -1 when the child did not exit normally
    std::string out;
    std::string err;
};

// Runs this test program with `arguments` after "--scenario", with the environment of this
// process changed by `environment` (a value of "" removes the variable). Output is collected in
// files of `directory`.
ChildResult RunChild(const std::vector<std::string>& arguments,
                     const std::map<std::string, std::string>& environment,
                     const std::string& directory);

}  // namespace portaudio_test
