// kelvo verify NAME FILE: the file converted to a recording of the profile directory and
// scored as EvalSpeaker scores it. A fault is an error of its own, never a rejection.
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "call_outcome.h"
#include "commands.h"
#include "kelvo/core/verification.h"
#include "profile_dir.h"
#include "profile_lines.h"
#include "sound_conversion.h"
#include "take_report.h"

namespace kelvo_cli {

ExitCode RunVerify(const VerifyOptions& options, Output& out) {
    const std::filesystem::path input = std::filesystem::absolute(options.file);
    const std::filesystem::path dir = ProfileDirectory(options.dir);
    out.Data()["speaker"] = options.speaker;
    out.Data()["directory"] = dir.string();
    out.Data()["file"] = options.file;
    EnterProfileDirectory(dir, false);

    // Known before the recording is converted; the library would also say so.
    const std::vector<EnrolledSpeaker> speakers = ReadSpeakers();
    if (speakers.empty()) {
        throw CliError(kExitUnknownSpeaker, "no speakers enrolled in " + dir.string());
    }
    if (std::none_of(speakers.begin(), speakers.end(),
                     [&](const EnrolledSpeaker& s) { return s.name == options.speaker; })) {
        throw CliError(kExitUnknownSpeaker,
                       "no speaker " + options.speaker + " in " + dir.string());
    }

    RecordingSlot slot;
    ConvertToKelvoRecording(input, options.file, slot.TakeFd());
    const kelvo::VerificationOutcome outcome =
        kelvo::Verify(options.speaker.c_str(), slot.Number());
    out.Data()["reason"] = kelvo::ReasonName(outcome.reason);
    if (EndsTheCommand(outcome.reason)) {
        throw CliError(ExitCodeOf(outcome.reason, false),
                       dir.string() + ": " + Explanation(outcome.reason, outcome.spaceRunsShort));
    }
    const double score = outcome.Score();
    const bool accepted = outcome.Accepted();
    out.Data()["score"] = score;
    out.Data()["accepted"] = accepted;
    char line[64];
    std::snprintf(line, sizeof line, ": score %.2f, %s", score, accepted ? "accepted" : "rejected");
    std::string why;
    if (outcome.reason == kelvo::CallReason::kNoVoice) {
        const TakeReport take = ReportTake(slot.Number());
        out.Data()["take"] = take.json;
        why = take.advice.empty() ? kelvo::ReasonText(outcome.reason) : take.advice;
    } else {
        // How far the attempt was from the enrolment, against what is let through.
        const auto misses = static_cast<int>(outcome.comparison.misses);
        const auto limit = static_cast<int>(kelvo::kMissLimit);
        out.Data()["misses"] = misses;
        out.Data()["miss_limit"] = limit;
        out.Data()["features"] = kelvo::kFeatureCount;
        if (!accepted) {
            const std::string distance =
                std::to_string(misses) + " of " + std::to_string(kelvo::kFeatureCount) +
                " numbers outside the tolerance, at most " + std::to_string(limit) + " may be";
            // A poor take is the likelier cause than another voice: it is said first.
            const TakeReport take = ReportTake(slot.Number());
            out.Data()["take"] = take.json;
            why = take.advice.empty() ? "not the enrolled voice or password: " + distance
                                      : take.advice + "; " + distance;
        }
    }
    if (!why.empty()) {
        out.Data()["why"] = why;
    }
    out.Line(options.speaker + line + (why.empty() ? "" : " (" + why + ")"));
    return accepted ? kExitSuccess : kExitRejected;
}

}  // namespace kelvo_cli
