// kelvo enrol NAME FILE...: each file converted to a recording of the profile directory and
// measured; the takes compared with each other, a take that is off named, and what verifies
// best stored as one enrolment, with the reason when nothing could be.
#include <algorithm>
#include <filesystem>
#include <memory>

#include "call_outcome.h"
#include "commands.h"
#include "kelvo/core/enrolment.h"
#include "kelvo/core/scoring.h"
#include "kelvo/core/take_enrolment.h"
#include "profile_dir.h"
#include "sound_conversion.h"
#include "take_report.h"
#include "train_result.h"

namespace kelvo_cli {
namespace {

// One file of the command line on its way to the library.
struct Take {
    std::string shown;
    std::unique_ptr<RecordingSlot> slot;  // none when the file could not be converted
    TakeReport report;
    nlohmann::json json;
};

std::string Count(double misses) {
    return std::to_string(static_cast<int>(misses));
}

// What the comparison says about a take that gave a model vector, among several.
void ReportAgreement(const kelvo::TakesEnrolmentOutcome& outcome, std::size_t u, Take& take) {
    const kelvo::TakeAgreement& agreement = outcome.agreement;
    nlohmann::json misses = nlohmann::json::array();
    for (std::size_t other = 0; other < agreement.misses.size(); ++other) {
        if (other != u) {
            misses.push_back(agreement.misses[u][other]);
        }
    }
    const bool off = agreement.IsOutlier(u);
    take.json["agreement"] = {{"misses_against_others", misses},
                              {"misses_against_their_mean", agreement.againstOthers[u]},
                              {"outlier", off}};
    if (off) {
        Output::Problem(take.shown + ": does not match the other takes (" +
                        Count(agreement.againstOthers[u]) +
                        " numbers outside the tolerance against them, more than " +
                        Count(kelvo::kOutlierMisses) +
                        "): left out; say the password again and enrol the new take with "
                        "the others");
    }
}

}  // namespace

ExitCode RunEnrol(const EnrolOptions& options, Output& out) {
    std::vector<std::filesystem::path> inputs;
    for (const std::string& file : options.files) {
        inputs.push_back(std::filesystem::absolute(file));
    }
    const std::filesystem::path dir = ProfileDirectory(options.dir);
    out.Data()["speaker"] = options.speaker;
    out.Data()["directory"] = dir.string();
    EnterProfileDirectory(dir, true);

    // Every file is converted and measured first; the status is that of the first failure.
    ExitCode status = kExitSuccess;
    const auto fail = [&status](ExitCode code) { status = status == kExitSuccess ? code : status; };
    std::vector<Take> takes(inputs.size());
    std::vector<int> numbers;
    std::vector<std::size_t> converted;  // index into takes, per number
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        Take& take = takes[i];
        take.shown = options.files[i];
        take.json = {{"file", take.shown}};
        try {
            auto slot = std::make_unique<RecordingSlot>();
            ConvertToKelvoRecording(inputs[i], take.shown, slot->TakeFd());
            take.report = ReportTake(slot->Number());
            take.json["take"] = take.report.json;
            numbers.push_back(slot->Number());
            converted.push_back(i);
            take.slot = std::move(slot);
        } catch (const CliError& error) {
            Output::Problem(error.what());
            take.json["error"] = error.what();
            fail(error.Code());
        }
    }

    const kelvo::TakesEnrolmentOutcome outcome =
        numbers.empty() ? kelvo::TakesEnrolmentOutcome{}
                        : kelvo::EnrolTakes(options.speaker.c_str(), numbers);
    std::size_t enrolled = 0;
    for (std::size_t k = 0; k < converted.size(); ++k) {
        Take& take = takes[converted[k]];
        const kelvo::CallReason reason = outcome.takes[k];
        const int code = kelvo::EnrolmentOutcome{reason}.TrainResult();
        take.json["result"] = code;
        take.json["code"] = TrainResultName(code);
        take.json["reason"] = kelvo::ReasonName(reason);
        const bool stored =
            std::find(outcome.stored.begin(), outcome.stored.end(), k) != outcome.stored.end();
        take.json["stored"] = stored;
        if (reason != kelvo::CallReason::kDone) {
            // A take without voice says what was wrong with it, when its samples tell.
            const std::string why =
                reason == kelvo::CallReason::kNoVoice && !take.report.advice.empty()
                    ? take.report.advice
                    : Explanation(reason, outcome.spaceRunsShort);
            take.json["error"] = why;
            Output::Problem(take.shown + ": not enrolled: " + why);
            fail(ExitCodeOf(reason, true));
            continue;
        }
        const auto usable = std::find(outcome.usable.begin(), outcome.usable.end(), k);
        if (outcome.usable.size() > 1) {
            ReportAgreement(outcome, static_cast<std::size_t>(usable - outcome.usable.begin()),
                            take);
        }
        if (stored) {
            ++enrolled;
            out.Line(take.shown + ": enrolled for " + options.speaker);
        }
        if (!take.report.advice.empty()) {
            // A poor take verifies worse, enrolled or left out: better said again.
            take.json["advice"] = take.report.advice;
            Output::Problem(take.shown + ": " + take.report.advice + "; enrol another take");
        }
    }
    const kelvo::TakeAgreement& agreement = outcome.agreement;
    if (outcome.reason == kelvo::CallReason::kDone && outcome.usable.size() == 2 &&
        agreement.misses[0][1] > kelvo::kMissLimit) {
        // Two takes cannot tell which of them is off; a third can.
        Output::Problem("the two takes differ at " + Count(agreement.misses[0][1]) +
                        " numbers (a verification allows " + Count(kelvo::kMissLimit) +
                        "): if one was said differently, enrol three takes together");
    }
    nlohmann::json files = nlohmann::json::array();
    for (const Take& take : takes) {
        files.push_back(take.json);
    }
    out.Data()["files"] = files;
    out.Data()["enrolled"] = enrolled;
    if (!numbers.empty()) {
        out.Data()["reason"] = kelvo::ReasonName(outcome.reason);
    }
    if (!numbers.empty() && outcome.reason != kelvo::CallReason::kDone &&
        std::find(outcome.takes.begin(), outcome.takes.end(), outcome.reason) ==
            outcome.takes.end()) {
        // Not any one take's fault: the takes together (they do not match one another).
        Output::Problem(options.speaker +
                        ": not enrolled: " + Explanation(outcome.reason, outcome.spaceRunsShort));
        fail(ExitCodeOf(outcome.reason, true));
    }
    std::string summary = options.speaker + ": " + std::to_string(enrolled) + " of " +
                          std::to_string(inputs.size()) + " recordings enrolled in " + dir.string();
    if (enrolled > 1) {
        summary += " (one enrolment: the mean of the takes)";
    }
    out.Line(summary);
    return status;
}

}  // namespace kelvo_cli
