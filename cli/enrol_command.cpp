// kelvo enrol NAME FILE...: each file converted to a recording of the profile directory and
// enrolled as TrainSpeaker enrols it, with the reason when it is not.
#include <filesystem>

#include "call_outcome.h"
#include "commands.h"
#include "kelvo/core/enrolment.h"
#include "profile_dir.h"
#include "sound_conversion.h"
#include "take_report.h"
#include "train_result.h"

namespace kelvo_cli {

ExitCode RunEnrol(const EnrolOptions& options, Output& out) {
    std::vector<std::filesystem::path> inputs;
    for (const std::string& file : options.files) {
        inputs.push_back(std::filesystem::absolute(file));
    }
    const std::filesystem::path dir = ProfileDirectory(options.dir);
    out.Data()["speaker"] = options.speaker;
    out.Data()["directory"] = dir.string();
    EnterProfileDirectory(dir, true);

    // Every file is tried; the status is that of the first that failed.
    ExitCode status = kExitSuccess;
    std::size_t enrolled = 0;
    nlohmann::json results = nlohmann::json::array();
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const std::string& shown = options.files[i];
        nlohmann::json result = {{"file", shown}};
        try {
            RecordingSlot slot;
            ConvertToKelvoRecording(inputs[i], shown, slot.TakeFd());
            const kelvo::EnrolmentOutcome outcome =
                kelvo::Enrol(options.speaker.c_str(), slot.Number());
            const int code = outcome.TrainResult();
            const TakeReport take = ReportTake(slot.Number());
            result["take"] = take.json;
            // A take without voice says what was wrong with it, when its samples tell.
            const std::string why =
                outcome.reason == kelvo::CallReason::kNoVoice && !take.advice.empty()
                    ? take.advice
                    : Explanation(outcome.reason, outcome.spaceRunsShort);
            result["result"] = code;
            result["code"] = TrainResultName(code);
            result["reason"] = kelvo::ReasonName(outcome.reason);
            if (outcome.reason == kelvo::CallReason::kDone) {
                ++enrolled;
                out.Line(shown + ": enrolled for " + options.speaker);
                if (!take.advice.empty()) {
                    // Enrolled, but a poor take verifies worse: better said again.
                    result["advice"] = take.advice;
                    Output::Problem(shown + ": " + take.advice + "; enrol another take");
                }
            } else {
                result["error"] = why;
                Output::Problem(shown + ": not enrolled: " + why);
                status = status == kExitSuccess ? ExitCodeOf(outcome.reason, true) : status;
            }
        } catch (const CliError& error) {
            Output::Problem(error.what());
            result["error"] = error.what();
            status = status == kExitSuccess ? error.Code() : status;
        }
        results.push_back(result);
    }
    out.Data()["files"] = results;
    out.Data()["enrolled"] = enrolled;
    out.Line(options.speaker + ": " + std::to_string(enrolled) + " of " +
             std::to_string(inputs.size()) + " recordings enrolled in " + dir.string());
    return status;
}

}  // namespace kelvo_cli
