// The evaluation corpus as the manifest lists it: one row per recording.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace accuracy {

// The change of a recording as it was made.
inline constexpr const char* kClean = "clean";

struct Recording {
    std::string voice;
    std::string phrase;
    int session = 0;
    std::filesystem::path path;  // absolute, or relative to the current directory
    // How the recording was changed after it was made (e.g. "white-20", "telephone"), or
    // kClean for the recording as made.
    std::string change = kClean;

    bool Clean() const { return change == kClean; }
};

// Reads a manifest: tab-separated lines "voice phrase session path [change]" (without the
// change: kClean), an optional header line starting with "voice<TAB>", blank lines and lines
// starting with '#' ignored. A relative path is taken relative to the manifest's own folder.
// Throws std::runtime_error, naming the line, for a malformed line, a repeated (voice, phrase,
// session, change), or a file that is not there.
std::vector<Recording> ReadManifest(const std::filesystem::path& manifest);

// Reads several manifests, e.g. a corpus's recordings and their changed versions, into one
// list in the order given; a (voice, phrase, session, change) listed twice, in one manifest or
// two, is an error.
std::vector<Recording> ReadManifests(const std::vector<std::filesystem::path>& manifests);

// Limits the corpus for a quicker run: keeps the sessions numbered 1 to maxSessions and the
// first maxVoices voices in manifest order. A limit of 0 keeps everything.
std::vector<Recording> SelectRecordings(const std::vector<Recording>& recordings, int maxSessions,
                                        int maxVoices);

// The distinct values of a column, in order of first appearance.
std::vector<std::string> Voices(const std::vector<Recording>& recordings);
std::vector<std::string> Phrases(const std::vector<Recording>& recordings);
std::vector<std::string> Changes(const std::vector<Recording>& recordings);

}  // namespace accuracy
