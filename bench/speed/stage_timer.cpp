// Where one verification pass spends its time, stage by stage. The recording is enrolled as
// the demo enrols it (recordings 1 and 2), then verified as recording 3 RUNS times (default
// 20). Every run changes one sample of recording 3, so that each pass computes its features
// afresh; a last set of runs leaves the recording as it was, to show a pass that reuses what
// the one before computed. Prints the median milliseconds of each stage and of the whole
// EvalSpeaker call; "kelvo" is the rest: list files, lock, profile, the state file read back
// and the comparison.
//
// The speech library is linked in here rather than loaded, so that its stage clock is the
// one this program runs.
//
//   kelvo_stage_timer RECORDING.raw [RUNS]
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "demo_enrolment.h"
#include "fresh_recording.h"
#include "kelvo/kelvo.h"
#include "stage_clock.h"

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

struct Pass {
    std::array<double, speech::kStageCount> stages{};
    double total = 0.0;
};

Pass TimePass() {
    speech::ResetStageClock();
    speech::RunStageClock(true);
    const auto start = std::chrono::steady_clock::now();
    const double score = EvalSpeaker("Demo", 3);
    const auto end = std::chrono::steady_clock::now();
    speech::RunStageClock(false);
    if (score < 0.0) {
        std::fprintf(stderr, "verification failed: %.0f\n", score);
        std::exit(1);
    }
    Pass pass;
    pass.stages = speech::StageSeconds();
    pass.total = std::chrono::duration<double>(end - start).count();
    return pass;
}

void Print(const char* heading, const std::vector<Pass>& passes) {
    std::printf("%s (median of %zu passes, ms)\n", heading, passes.size());
    double stages = 0.0;
    for (std::size_t s = 0; s < speech::kStageCount; ++s) {
        std::vector<double> values;
        for (const Pass& pass : passes) {
            values.push_back(pass.stages[s] * 1000.0);
        }
        const double median = Median(values);
        stages += median;
        std::printf("  %-28s %9.3f\n", speech::StageName(static_cast<speech::Stage>(s)), median);
    }
    std::vector<double> totals;
    for (const Pass& pass : passes) {
        totals.push_back(pass.total * 1000.0);
    }
    const double total = Median(totals);
    std::printf("  %-28s %9.3f\n", "kelvo", std::max(0.0, total - stages));
    std::printf("  %-28s %9.3f\n", "EvalSpeaker", total);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = RunsAsked(argc, argv, 20);
    if (runs == 0) {
        return 2;
    }
    if (!EnrolAsTheDemoDoes(argv[1])) {
        return 1;
    }
    FreshRecording recording(argv[1]);
    std::vector<Pass> fresh;
    for (int i = 0; i < runs; ++i) {
        if (!recording.Renew()) {
            return 1;
        }
        fresh.push_back(TimePass());
    }
    std::vector<Pass> reused;
    for (int i = 0; i < runs; ++i) {
        reused.push_back(TimePass());
    }
    Print("Features computed afresh", fresh);
    Print("The same recording again", reused);
    return 0;
}
