// The figures kelvo eval reports from its scores: counts and rates per label, an equal error
// rate estimate and the DET curve of targets against impostors. A score above 0 is an
// acceptance; a rejected attempt scores exactly 0.0.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

#include "trial_list.h"

namespace kelvo_cli {

struct LabelCount {
    std::size_t trials = 0;
    std::size_t accepted = 0;

    std::size_t Rejected() const { return trials - accepted; }
    // The share of trials accepted (or rejected); nothing without trials.
    std::optional<double> AcceptedRate() const;
    std::optional<double> RejectedRate() const;
};

struct ScoredTrial {
    TrialLabel label = TrialLabel::kTarget;
    double score = 0.0;
};

std::array<LabelCount, kLabelCount> CountByLabel(const std::vector<ScoredTrial>& scored);

// One operating point: attempts accepted when they score at least `threshold`.
struct OperatingPoint {
    double threshold = 0.0;   // +infinity: every attempt rejected
    double miss = 0.0;        // targets rejected
    double falseAlarm = 0.0;  // impostors accepted

    double LargerError() const { return miss > falseAlarm ? miss : falseAlarm; }
};

// The operating points at every distinct score of the trials and above the highest, in
// ascending threshold: the DET curve's steps. Empty without targets or without impostors.
std::vector<OperatingPoint> OperatingPoints(const std::vector<ScoredTrial>& scored);

// An estimate of the equal error rate: the point whose larger error, max(miss, false alarm),
// is the least. Trials of equal score are always decided alike, so a tie between targets and
// impostors is never split in the estimate's favour: it errs on the high side.
std::optional<OperatingPoint> EstimateEqualErrorRate(const std::vector<OperatingPoint>& points);

}  // namespace kelvo_cli
