#include "take_report.h"

#include <cmath>

namespace kelvo_cli {
namespace {

double Rounded(double value) {
    return std::round(value * 100.0) / 100.0;
}

}  // namespace

TakeReport ReportTake(int n) {
    TakeReport report;
    const auto quality = kelvo::MeasureRecording(n);
    if (!quality) {
        return report;
    }
    report.problem = kelvo::ProblemOf(*quality);
    report.advice = kelvo::Advice(report.problem, *quality);
    report.json = {{"seconds", Rounded(quality->seconds)},
                   {"speech_seconds", Rounded(quality->speechSeconds)},
                   {"loudest_dbfs", Rounded(quality->loudestDb)},
                   {"background_dbfs", Rounded(quality->backgroundDb)},
                   {"clipped_samples", quality->clippedSamples},
                   {"problem", kelvo::ProblemName(report.problem)}};
    return report;
}

}  // namespace kelvo_cli
