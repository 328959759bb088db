// kelvo verify NAME FILE: the file converted to a recording of the profile directory and
// scored with EvalSpeaker against the speaker's enrolment.
#include <kelvo/kelvo.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "commands.h"
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

    // A speaker without enrolment would only score 0.0; it is told apart from a rejection.
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
    const double score = EvalSpeaker(options.speaker.c_str(), slot.Number());
    const bool accepted = score > 0.0;
    out.Data()["score"] = score;
    out.Data()["accepted"] = accepted;
    char line[64];
    std::snprintf(line, sizeof line, ": score %.2f, %s", score, accepted ? "accepted" : "rejected");
    out.Line(options.speaker + line);
    return accepted ? kExitSuccess : kExitRejected;
}

}  // namespace kelvo_cli
