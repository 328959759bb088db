// kelvo speakers: the speakers enrolled in the profile, with their enrolment counts.
#include "commands.h"
#include "profile_dir.h"
#include "profile_lines.h"

namespace kelvo_cli {

ExitCode RunSpeakers(const SpeakersOptions& options, Output& out) {
    const std::filesystem::path dir = ProfileDirectory(options.dir);
    out.Data()["directory"] = dir.string();
    EnterProfileDirectory(dir, false);
    const std::vector<EnrolledSpeaker> speakers = ReadSpeakers();
    nlohmann::json list = nlohmann::json::array();
    for (const EnrolledSpeaker& speaker : speakers) {
        list.push_back({{"name", speaker.name}, {"enrolments", speaker.enrolments}});
        out.Line(speaker.name + "\t" + std::to_string(speaker.enrolments));
    }
    out.Data()["speakers"] = list;
    if (speakers.empty()) {
        throw CliError(kExitUnknownSpeaker, "no speakers enrolled in " + dir.string());
    }
    return kExitSuccess;
}

}  // namespace kelvo_cli
