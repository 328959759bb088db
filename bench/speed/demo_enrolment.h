// The demo's enrolment for the speed benches: a fresh profile, the recording copied to 1.raw,
// 2.raw and 3.raw in the working directory, and recordings 1 and 2 enrolled for "Demo".
#pragma once

#include <cstdio>
#include <filesystem>

#include "kelvo/kelvo.h"

// False, with a message on standard error, when a copy or the enrolment fails.
inline bool EnrolAsTheDemoDoes(const char* recording) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::remove("kelvo.cfg", error);
    for (const char* copy : {"1.raw", "2.raw", "3.raw"}) {
        fs::copy_file(recording, copy, fs::copy_options::overwrite_existing, error);
        if (error) {
            std::fprintf(stderr, "cannot copy %s: %s\n", recording, error.message().c_str());
            return false;
        }
    }
    if (TrainSpeaker("Demo", 1) != KELVO_TRAIN_OK || TrainSpeaker("Demo", 2) != KELVO_TRAIN_OK) {
        std::fprintf(stderr, "enrolment failed\n");
        return false;
    }
    return true;
}
