// kelvo forget NAME: the speaker's enrolments removed from the profile, every other byte kept.
#include "commands.h"
#include "profile_dir.h"
#include "profile_lines.h"

namespace kelvo_cli {

ExitCode RunForget(const ForgetOptions& options, Output& out) {
    const std::filesystem::path dir = ProfileDirectory(options.dir);
    out.Data()["speaker"] = options.speaker;
    out.Data()["directory"] = dir.string();
    EnterProfileDirectory(dir, false);
    const std::size_t removed = ForgetSpeaker(options.speaker);
    out.Data()["removed"] = removed;
    if (removed == 0) {
        throw CliError(kExitUnknownSpeaker,
                       ReadSpeakers().empty()
                           ? "no speakers enrolled in " + dir.string()
                           : "no speaker " + options.speaker + " in " + dir.string());
    }
    out.Line(options.speaker + ": " + std::to_string(removed) +
             (removed == 1 ? " enrolment" : " enrolments") + " removed from " + dir.string());
    return kExitSuccess;
}

}  // namespace kelvo_cli
