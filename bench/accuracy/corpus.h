// The evaluation corpus as the manifest lists it: one row per recording.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace accuracy {

struct Recording {
    std::string voice;
    std::string phrase;
    int session = 0;
    std::filesystem::path path;  // absolute, or relative to the current directory
};

// Reads a manifest: tab-separated lines "voice phrase session path", an optional header line
// starting with "voice<TAB>", blank lines and lines starting with '#' ignored. A relative path
// is taken relative to the manifest's own folder. Throws std::runtime_error, naming the line,
// for a malformed line, a repeated (voice, phrase, session), or a file that is not there.
std::vector<Recording> ReadManifest(const std::filesystem::path& manifest);

// Limits the corpus for a quicker run: keeps the sessions numbered 1 to maxSessions and the
// first maxVoices voices in manifest order. A limit of 0 keeps everything.
std::vector<Recording> SelectRecordings(const std::vector<Recording>& recordings, int maxSessions,
                                        int maxVoices);

// The distinct values of a column, in order of first appearance.
std::vector<std::string> Voices(const std::vector<Recording>& recordings);
std::vector<std::string> Phrases(const std::vector<Recording>& recordings);

}  // namespace accuracy
