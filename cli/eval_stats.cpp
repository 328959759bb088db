#include "eval_stats.h"

#include <algorithm>
#include <limits>

namespace kelvo_cli {
namespace {

std::optional<double> Share(std::size_t part, std::size_t whole) {
    if (whole == 0) {
        return std::nullopt;
    }
    return static_cast<double>(part) / static_cast<double>(whole);
}

std::vector<double> SortedScores(const std::vector<ScoredTrial>& scored, TrialLabel label) {
    std::vector<double> scores;
    for (const ScoredTrial& trial : scored) {
        if (trial.label == label) {
            scores.push_back(trial.score);
        }
    }
    std::sort(scores.begin(), scores.end());
    return scores;
}

// The share of sorted scores below the threshold.
double ShareBelow(const std::vector<double>& sorted, double threshold) {
    const auto below = std::lower_bound(sorted.begin(), sorted.end(), threshold) - sorted.begin();
    return static_cast<double>(below) / static_cast<double>(sorted.size());
}

}  // namespace

std::optional<double> LabelCount::AcceptedRate() const {
    return Share(accepted, trials);
}

std::optional<double> LabelCount::RejectedRate() const {
    return Share(Rejected(), trials);
}

std::array<LabelCount, kLabelCount> CountByLabel(const std::vector<ScoredTrial>& scored) {
    std::array<LabelCount, kLabelCount> counts{};
    for (const ScoredTrial& trial : scored) {
        LabelCount& count = counts[static_cast<std::size_t>(trial.label)];
        ++count.trials;
        count.accepted += trial.score > 0.0 ? 1 : 0;
    }
    return counts;
}

std::vector<OperatingPoint> OperatingPoints(const std::vector<ScoredTrial>& scored) {
    const std::vector<double> targets = SortedScores(scored, TrialLabel::kTarget);
    const std::vector<double> impostors = SortedScores(scored, TrialLabel::kImpostor);
    if (targets.empty() || impostors.empty()) {
        return {};
    }
    std::vector<double> thresholds = targets;
    thresholds.insert(thresholds.end(), impostors.begin(), impostors.end());
    std::sort(thresholds.begin(), thresholds.end());
    thresholds.erase(std::unique(thresholds.begin(), thresholds.end()), thresholds.end());
    thresholds.push_back(std::numeric_limits<double>::infinity());
    std::vector<OperatingPoint> points;
    for (const double threshold : thresholds) {
        points.push_back(
            {threshold, ShareBelow(targets, threshold), 1.0 - ShareBelow(impostors, threshold)});
    }
    return points;
}

std::optional<OperatingPoint> EstimateEqualErrorRate(const std::vector<OperatingPoint>& points) {
    const auto best = std::min_element(points.begin(), points.end(),
                                       [](const OperatingPoint& a, const OperatingPoint& b) {
                                           return a.LargerError() < b.LargerError();
                                       });
    if (best == points.end()) {
        return std::nullopt;
    }
    return *best;
}

}  // namespace kelvo_cli
