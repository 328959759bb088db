// One enrol-and-verify cycle of the demo program, as a process of its own: the recording is
// enrolled as recordings 1 and 2 and then verified as recording 3, all in the working
// directory. Used by run-speed-bench.sh to time the whole pipeline against other front ends.
//
//   kelvo_demo_cycle RECORDING.raw     prints the score
#include <cstdio>
#include <filesystem>

#include "kelvo/kelvo.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s RECORDING.raw\n", argv[0]);
        return 2;
    }
    namespace fs = std::filesystem;
    std::error_code error;
    fs::remove("kelvo.cfg", error);
    for (const char* copy : {"1.raw", "2.raw", "3.raw"}) {
        fs::copy_file(argv[1], copy, fs::copy_options::overwrite_existing, error);
        if (error) {
            std::fprintf(stderr, "cannot copy %s: %s\n", argv[1], error.message().c_str());
            return 1;
        }
    }
    if (TrainSpeaker("Demo", 1) != KELVO_TRAIN_OK || TrainSpeaker("Demo", 2) != KELVO_TRAIN_OK) {
        std::fprintf(stderr, "enrolment failed\n");
        return 1;
    }
    std::printf("%.2f\n", EvalSpeaker("Demo", 3));
    return 0;
}
