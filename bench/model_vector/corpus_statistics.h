// The corpora the model vector is fitted and measured on, with the utterance statistics of
// every recording computed once, in memory, by the speech library's own front end and
// statistics: the same numbers InitHMM would get from the feature file.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "corpus.h"
#include "utterance_statistics.h"

namespace fitting {

struct Recording {
    accuracy::Recording source;
    std::string corpus;                      // the corpus folder's name, e.g. "real" or "synth"
    bool voice = false;                      // whether InitHMM would find a voice in it
    speech::UtteranceStatistics statistics;  // when it has a voice
};

// Reads DIR/manifest.tsv and, when present, DIR/changes.tsv of every folder, and computes the
// statistics on `jobs` threads. Progress goes to stderr.
std::vector<Recording> LoadCorpora(const std::vector<std::filesystem::path>& folders, int jobs);

// The distinct voices, in order of first appearance.
std::vector<std::string> VoicesOf(const std::vector<Recording>& recordings);

}  // namespace fitting
