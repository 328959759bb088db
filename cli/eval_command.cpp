// kelvo eval TRIALS.tsv: every enrolment recording of the list enrolled once in a temporary
// profile, every test verified against it; counts, error rates and an equal error rate
// estimate, optionally plotted.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>

#include "commands.h"
#include "eval_stats.h"
#include "eval_workers.h"
#include "kelvo/core/call_reason.h"
#include "progress_bar.h"
#include "score_plot.h"
#include "sound_conversion.h"
#include "temporary_directory.h"

namespace kelvo_cli {
namespace {

// The rate each label is judged by: targets should be accepted, the others rejected.
struct LabelRate {
    const char* name;  // in the text report
    const char* key;   // in the JSON object
    bool rejectionIsError;
};
constexpr LabelRate kLabelRates[kLabelCount] = {
    {"FRR", "false_rejection_rate", true},
    {"FAR", "false_acceptance_rate", false},
    {"WPA", "wrong_phrase_acceptance_rate", false},
    {"NPA", "near_phrase_acceptance_rate", false},
};

std::string Percent(const std::optional<double>& rate) {
    if (!rate) {
        return "-";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.2f %%", 100.0 * *rate);
    return text;
}

nlohmann::json OrNull(const std::optional<double>& value) {
    return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

// Every recording of the list, opened once before any work starts; one longer than a
// recording may last is refused before any other is converted.
void CheckInputs(const TrialList& list) {
    std::set<std::filesystem::path> files(list.enrolments.begin(), list.enrolments.end());
    for (const Trial& trial : list.trials) {
        files.insert(trial.test);
    }
    for (const std::filesystem::path& file : files) {
        RequireRecordingLength(ProbeSound(file, file.string()), file.string());
    }
}

void ReportEnrolments(const TrialList& list, const EvalOutcome& outcome, Output& out) {
    std::size_t failed = 0;
    std::size_t notRun = 0;
    for (std::size_t e = 0; e < list.enrolments.size(); ++e) {
        if (outcome.trainResults[e] == 0) {
            continue;
        }
        ++failed;
        Output::Problem(list.enrolments[e].string() +
                        ": not enrolled: " + kelvo::ReasonText(kelvo::CallReason::kNoVoice));
    }
    for (const auto& score : outcome.scores) {
        notRun += score ? 0 : 1;
    }
    out.Data()["enrolments"] = {
        {"total", list.enrolments.size()}, {"failed", failed}, {"trials_not_run", notRun}};
    out.Line("enrolments: " + std::to_string(list.enrolments.size()) + ", " +
             std::to_string(failed) + " failed to enrol (their " + std::to_string(notRun) +
             " trials not run)");
}

void ReportRates(const std::vector<ScoredTrial>& scored, Output& out) {
    const auto counts = CountByLabel(scored);
    out.Line("label          trials  accepted  rejected  error rate");
    nlohmann::json labels = nlohmann::json::object();
    for (std::size_t label = 0; label < kLabelCount; ++label) {
        const LabelCount& count = counts[label];
        const LabelRate& rate = kLabelRates[label];
        const std::optional<double> value =
            rate.rejectionIsError ? count.RejectedRate() : count.AcceptedRate();
        labels[kLabelNames[label]] = {
            {"trials", count.trials}, {"accepted", count.accepted}, {"rejected", count.Rejected()}};
        out.Data()[rate.key] = OrNull(value);
        if (count.trials == 0 && label == static_cast<std::size_t>(TrialLabel::kNearPhrase)) {
            continue;  // a label most lists do not use
        }
        char line[128];
        std::snprintf(line, sizeof line, "%-12s %8zu %9zu %9zu  %s %s", kLabelNames[label],
                      count.trials, count.accepted, count.Rejected(), rate.name,
                      Percent(value).c_str());
        out.Line(line);
    }
    out.Data()["labels"] = labels;
}

void ReportEqualErrorRate(const std::vector<OperatingPoint>& points, Output& out) {
    const std::optional<OperatingPoint> eer = EstimateEqualErrorRate(points);
    if (!eer) {
        out.Data()["equal_error_rate"] = nullptr;
        out.Line("equal error rate: - (needs target and impostor trials)");
        return;
    }
    const bool finite = std::isfinite(eer->threshold);
    out.Data()["equal_error_rate"] = {
        {"estimate", eer->LargerError()},
        {"threshold", OrNull(finite ? std::optional(eer->threshold) : std::nullopt)},
        {"miss", eer->miss},
        {"false_alarm", eer->falseAlarm}};
    char threshold[64];
    std::snprintf(threshold, sizeof threshold, "accepting scores >= %.2f", eer->threshold);
    char line[256];
    std::snprintf(line, sizeof line,
                  "equal error rate: about %s (an estimate: the least of max(miss, false alarm) "
                  "over thresholds at the observed scores, ties never split; %s)",
                  Percent(eer->LargerError()).c_str(),
                  finite ? threshold : "rejecting every attempt");
    out.Line(line);
}

}  // namespace

// Every trial with its score and decision: in the JSON object, and as a tab-separated file
// when asked for. A trial whose enrolment failed has no score.
void ReportTrials(const TrialList& list, const EvalOutcome& outcome,
                  const std::optional<std::string>& file, Output& out) {
    nlohmann::json results = nlohmann::json::array();
    std::string table = "enrol\ttest\tlabel\tscore\tdecision\n";
    for (std::size_t t = 0; t < list.trials.size(); ++t) {
        const Trial& trial = list.trials[t];
        const std::optional<double>& score = outcome.scores[t];
        const char* decision = !score ? "not-run" : *score > 0.0 ? "accepted" : "rejected";
        nlohmann::json result = {{"enrol", list.enrolments[trial.enrolment].string()},
                                 {"test", trial.test.string()},
                                 {"label", LabelName(trial.label)},
                                 {"decision", decision}};
        result["score"] = score ? nlohmann::json(*score) : nlohmann::json(nullptr);
        results.push_back(result);
        char number[32] = "-";
        if (score) {
            std::snprintf(number, sizeof number, "%.2f", *score);
        }
        table += list.enrolments[trial.enrolment].string() + "\t" + trial.test.string() + "\t" +
                 LabelName(trial.label) + "\t" + number + "\t" + decision + "\n";
    }
    out.Data()["results"] = results;
    if (file) {
        std::ofstream stream(*file, std::ios::binary | std::ios::trunc);
        stream << table;
        stream.close();
        if (!stream) {
            throw CliError(kExitSetUp, *file + ": cannot write the per-trial results");
        }
        out.Data()["results_file"] = *file;
        out.Line("per-trial results: " + *file);
    }
}

ExitCode RunEval(const EvalOptions& options, Output& out) {
    const TrialList list = ReadTrialList(options.trials);
    if (list.trials.empty()) {
        throw CliError(kExitInputFile, options.trials + ": no trials");
    }
    if (options.plot) {
        RequireGnuplot();
    }
    CheckInputs(list);
    out.Data()["trials"] = list.trials.size();

    const TemporaryDirectory work;
    EvalOutcome outcome;
    {
        ProgressBar bar("eval");
        outcome = RunTrials(list, options.jobs, work.Path(),
                            [&bar](std::size_t done, std::size_t total) { bar.Show(done, total); });
    }
    std::vector<ScoredTrial> scored;
    for (std::size_t t = 0; t < list.trials.size(); ++t) {
        if (outcome.scores[t]) {
            scored.push_back({list.trials[t].label, *outcome.scores[t]});
        }
    }
    out.Line("trials: " + std::to_string(list.trials.size()) + " in " + options.trials);
    ReportEnrolments(list, outcome, out);
    ReportTrials(list, outcome, options.results, out);
    // Every trial's enrolment failed: there is nothing to measure, which is no success.
    if (scored.empty()) {
        throw CliError(kExitNotEnrolled, "no trial could be run: none of the " +
                                             std::to_string(list.enrolments.size()) +
                                             " enrolment recordings gave a usable model vector");
    }
    ReportRates(scored, out);
    const std::vector<OperatingPoint> points = OperatingPoints(scored);
    ReportEqualErrorRate(points, out);
    if (options.plot) {
        PlotScores(scored, points, *options.plot);
        out.Data()["plot"] = *options.plot;
        out.Line("plot: " + *options.plot);
    }
    return kExitSuccess;
}

}  // namespace kelvo_cli
