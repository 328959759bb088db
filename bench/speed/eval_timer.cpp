// The cost of one verification in process: the recording is enrolled as recordings 1 and 2,
// then verified as recording 3 RUNS times (default 50), each time with one sample changed by
// one step so that its features are computed afresh rather than reused; prints the median and
// the fastest
// wall time of one EvalSpeaker call, the median processor time (what the call costs even
// when other programs share the cores), and the score.
//
//   kelvo_eval_timer RECORDING.raw [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "demo_enrolment.h"
#include "fresh_recording.h"
#include "kelvo/kelvo.h"

int main(int argc, char** argv) {
    const int runs = RunsAsked(argc, argv, 50);
    if (runs == 0) {
        return 2;
    }
    if (!EnrolAsTheDemoDoes(argv[1])) {
        return 1;
    }
    FreshRecording recording(argv[1]);
    std::vector<double> milliseconds;
    std::vector<double> processor;
    double score = 0.0;
    for (int i = 0; i < runs; ++i) {
        if (!recording.Renew()) {
            return 1;
        }
        const auto start = std::chrono::steady_clock::now();
        const std::clock_t started = std::clock();
        score = EvalSpeaker("Demo", 3);
        processor.push_back(1000.0 * static_cast<double>(std::clock() - started) / CLOCKS_PER_SEC);
        milliseconds.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    std::sort(processor.begin(), processor.end());
    std::printf(
        "EvalSpeaker: median %.2f ms, fastest %.2f ms over %d runs (processor time: median "
        "%.2f ms); score %.2f\n",
        milliseconds[milliseconds.size() / 2], milliseconds.front(), runs,
        processor[processor.size() / 2], score);
    return 0;
}
