// The command-line options every bench over the voice corpus takes: --manifest PATH (repeated
// to merge several), --sessions N, --voices N, --max-impostors N, --jobs N.
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

#include "corpus.h"

namespace accuracy {

struct CorpusOptions {
    // The manifests read and merged: the default until the first --manifest replaces it.
    std::vector<std::filesystem::path> manifests = {"/tmp/kelvo-voice-corpus/manifest.tsv"};
    bool manifestGiven = false;
    int maxSessions = 0;   // 0: all
    int maxVoices = 0;     // 0: all
    int maxImpostors = 0;  // impostor trials per enrolment; 0: all
    int jobs = 1;          // workers; the number of cores unless given

    CorpusOptions();
};

// Sets the option named `option` from `value` and returns true; false when `option` is not
// one of the five. A value that is not a positive number (or 0 for --max-impostors) calls
// usage.
bool TakeCorpusOption(std::string_view option, const char* value, CorpusOptions& options,
                      void (*usage)(const char* problem));

// A whole positive number up to a million, or usage is called.
int PositiveNumber(const char* text, void (*usage)(const char* problem));

// The recordings of every manifest, limited to the sessions and voices the options keep.
std::vector<Recording> ReadCorpus(const CorpusOptions& options);

}  // namespace accuracy
