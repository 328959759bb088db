// One enrol-and-verify cycle of the demo program, as a process of its own: the recording is
// enrolled as recordings 1 and 2 and then verified as recording 3, all in the working
// directory. Used by run-speed-bench.sh to time the whole pipeline against other front ends.
//
//   kelvo_demo_cycle RECORDING.raw     prints the score
#include <cstdio>

#include "demo_enrolment.h"
#include "kelvo/kelvo.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s RECORDING.raw\n", argv[0]);
        return 2;
    }
    if (!EnrolAsTheDemoDoes(argv[1])) {
        return 1;
    }
    std::printf("%.2f\n", EvalSpeaker("Demo", 3));
    return 0;
}
