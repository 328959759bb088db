#include "corpus_options.h"

#include <cstdlib>
#include <thread>

namespace accuracy {

CorpusOptions::CorpusOptions() {
    const unsigned cores = std::thread::hardware_concurrency();
    jobs = cores == 0 ? 1 : static_cast<int>(cores);
}

int PositiveNumber(const char* text, void (*usage)(const char* problem)) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 1 || value > 1000000) {
        usage("expected a positive number");
    }
    return static_cast<int>(value);
}

bool TakeCorpusOption(std::string_view option, const char* value, CorpusOptions& options,
                      void (*usage)(const char* problem)) {
    if (option == "--manifest") {
        if (!options.manifestGiven) {
            options.manifests.clear();
            options.manifestGiven = true;
        }
        options.manifests.emplace_back(value);
    } else if (option == "--sessions") {
        options.maxSessions = PositiveNumber(value, usage);
    } else if (option == "--voices") {
        options.maxVoices = PositiveNumber(value, usage);
    } else if (option == "--max-impostors") {
        options.maxImpostors = std::string_view(value) == "0" ? 0 : PositiveNumber(value, usage);
    } else if (option == "--jobs") {
        options.jobs = PositiveNumber(value, usage);
    } else {
        return false;
    }
    return true;
}

std::vector<Recording> ReadCorpus(const CorpusOptions& options) {
    return SelectRecordings(ReadManifests(options.manifests), options.maxSessions,
                            options.maxVoices);
}

}  // namespace accuracy
