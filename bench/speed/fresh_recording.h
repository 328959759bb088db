// The in-process timers' shared set-up: the runs asked for, and recording 3 rewritten before
// each run with its last sample changed by one 8-bit step, so that every pass computes its
// features afresh instead of reusing those of the pass before.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "text_io.h"

// RUNS from `kelvo_..._timer RECORDING.raw [RUNS]`, or 0 (with a message) for a bad command.
inline int RunsAsked(int argc, char** argv, int runs) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s RECORDING.raw [RUNS]\n", argv[0]);
        return 0;
    }
    runs = argc == 3 ? std::atoi(argv[2]) : runs;
    if (runs < 1) {
        std::fprintf(stderr, "RUNS must be a positive number\n");
        return 0;
    }
    return runs;
}

class FreshRecording {
  public:
    explicit FreshRecording(const char* path)
        : path_(path), bytes_(speech::ReadWholeFile(path).value_or("")) {}

    // Writes 3.raw with one sample other than last time; false, with a message, on failure.
    bool Renew() {
        if (bytes_.empty()) {
            std::fprintf(stderr, "cannot read %s\n", path_.c_str());
            return false;
        }
        bytes_.back() = static_cast<char>(bytes_.back() ^ 1);
        if (!speech::WriteWholeFile("3.raw", bytes_)) {
            std::fprintf(stderr, "cannot write 3.raw\n");
            return false;
        }
        return true;
    }

  private:
    std::string path_;
    std::string bytes_;
};
