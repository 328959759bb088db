#include "corpus.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string_view>
#include <tuple>

namespace accuracy {
namespace {

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) {
            return fields;
        }
        line.remove_prefix(tab + 1);
    }
}

[[noreturn]] void Fail(const std::filesystem::path& manifest, int lineNumber,
                       const std::string& what) {
    throw std::runtime_error(manifest.string() + ":" + std::to_string(lineNumber) + ": " + what);
}

std::vector<std::string> Distinct(const std::vector<Recording>& recordings,
                                  std::string Recording::*column) {
    std::vector<std::string> values;
    for (const Recording& recording : recordings) {
        const std::string& value = recording.*column;
        if (std::find(values.begin(), values.end(), value) == values.end()) {
            values.push_back(value);
        }
    }
    return values;
}

using RecordingKey = std::tuple<std::string, std::string, int, std::string>;

// Appends the manifest's rows to `recordings`; `seen` holds the identities read so far.
void ReadInto(const std::filesystem::path& manifest, std::vector<Recording>& recordings,
              std::set<RecordingKey>& seen) {
    std::ifstream in(manifest);
    if (!in) {
        throw std::runtime_error("cannot open the manifest " + manifest.string());
    }
    const std::filesystem::path base = manifest.parent_path();
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line.front() == '#' ||
            (lineNumber == 1 && line.starts_with("voice\t"))) {
            continue;
        }
        const std::vector<std::string_view> fields = SplitTabs(line);
        if (fields.size() != 4 && fields.size() != 5) {
            Fail(manifest, lineNumber,
                 "expected 4 or 5 tab-separated fields: voice phrase session path [change]");
        }
        Recording recording;
        recording.voice = fields[0];
        recording.phrase = fields[1];
        const std::string_view session = fields[2];
        const auto [end, error] =
            std::from_chars(session.data(), session.data() + session.size(), recording.session);
        if (error != std::errc{} || end != session.data() + session.size() ||
            recording.session < 1) {
            Fail(manifest, lineNumber, "the session is not a positive number");
        }
        if (fields.size() == 5) {
            recording.change = fields[4];
        }
        if (recording.voice.empty() || recording.phrase.empty() || fields[3].empty() ||
            recording.change.empty()) {
            Fail(manifest, lineNumber, "empty field");
        }
        recording.path = std::filesystem::path(fields[3]);
        if (recording.path.is_relative()) {
            recording.path = base / recording.path;
        }
        if (!std::filesystem::is_regular_file(recording.path)) {
            Fail(manifest, lineNumber, "no such recording: " + recording.path.string());
        }
        if (!seen.emplace(recording.voice, recording.phrase, recording.session, recording.change)
                 .second) {
            Fail(manifest, lineNumber, "this voice, phrase, session and change are listed twice");
        }
        recordings.push_back(std::move(recording));
    }
}

}  // namespace

std::vector<Recording> ReadManifest(const std::filesystem::path& manifest) {
    return ReadManifests({manifest});
}

std::vector<Recording> ReadManifests(const std::vector<std::filesystem::path>& manifests) {
    std::vector<Recording> recordings;
    std::set<RecordingKey> seen;
    for (const std::filesystem::path& manifest : manifests) {
        ReadInto(manifest, recordings, seen);
    }
    return recordings;
}

std::vector<Recording> SelectRecordings(const std::vector<Recording>& recordings, int maxSessions,
                                        int maxVoices) {
    std::vector<std::string> voices = Voices(recordings);
    if (maxVoices > 0 && voices.size() > static_cast<std::size_t>(maxVoices)) {
        voices.resize(static_cast<std::size_t>(maxVoices));
    }
    std::vector<Recording> selected;
    for (const Recording& recording : recordings) {
        const bool voiceKept =
            std::find(voices.begin(), voices.end(), recording.voice) != voices.end();
        const bool sessionKept = maxSessions <= 0 || recording.session <= maxSessions;
        if (voiceKept && sessionKept) {
            selected.push_back(recording);
        }
    }
    return selected;
}

std::vector<std::string> Voices(const std::vector<Recording>& recordings) {
    return Distinct(recordings, &Recording::voice);
}

std::vector<std::string> Phrases(const std::vector<Recording>& recordings) {
    return Distinct(recordings, &Recording::phrase);
}

std::vector<std::string> Changes(const std::vector<Recording>& recordings) {
    return Distinct(recordings, &Recording::change);
}

}  // namespace accuracy
