// The command-line options every bench over the voice corpus takes: --manifest PATH,
// --sessions N, --voices N, --jobs N.
#pragma once

#include <filesystem>
#include <string_view>

namespace accuracy {

struct CorpusOptions {
    std::filesystem::path manifest = "/tmp/kelvo-voice-corpus/manifest.tsv";
    int maxSessions = 0;  // 0: all
    int maxVoices = 0;    // 0: all
    int jobs = 1;         // workers; the number of cores unless given

    CorpusOptions();
};

// Sets the option named `option` from `value` and returns true; false when `option` is not
// one of the four. A value that is not a positive number calls usage.
bool TakeCorpusOption(std::string_view option, const char* value, CorpusOptions& options,
                      void (*usage)(const char* problem));

// A whole positive number up to a million, or usage is called.
int PositiveNumber(const char* text, void (*usage)(const char* problem));

}  // namespace accuracy
