// The core's tests run in a temporary directory of their own, with the speech double back to
// its default behaviour.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "kelvo/core/model_vector.h"
#include "kelvo/core/number_text.h"
#include "speech_double.h"
#include "temp_dir.h"

namespace kelvo::testing {

// A model vector in the pipeline's range, scored 100 against itself.
inline ModelVector SteadyVoice() {
    ModelVector vector;
    for (std::size_t i = 0; i < vector.size(); ++i) {
        vector[i] = 10000 + static_cast<double>(i % 7);
    }
    return vector;
}

class InWorkDir : public test_support::InTempDir {
  protected:
    void SetUp() override {
        InTempDir::SetUp();
        speech_double::Reset();
    }

    // Recording n, as the speech double reads it: the text of its model vector.
    static void Record(int n, const ModelVector& vector) {
        std::string text;
        for (double value : vector) {
            AppendScientific(text, value);
            text += ' ';
        }
        WriteFile(std::to_string(n) + ".raw", text);
    }
};

// Runs body in a forked child and gives its exit code, or -1 when it did not exit: a call
// that blocks is killed after 20 s instead of hanging the test run.
inline int InChild(const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(20);
        _exit(body());
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace kelvo::testing
