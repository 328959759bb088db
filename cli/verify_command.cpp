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
    out.Line(options.speaker + line);
    if (outcome.reason == kelvo::CallReason::kNoVoice) {
        Output::Problem(options.file + ": " + kelvo::ReasonText(outcome.reason));
    }
    return accepted ? kExitSuccess : kExitRejected;
}

}  // namespace kelvo_cli
