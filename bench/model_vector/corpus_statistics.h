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
    std::string corpus;  // the corpus folder's name, e.g. "real" or "synth"
    // The corpus reads text aloud (its folder holds a file "read-speech"): every recording
    // says other words, so its voices are speakers of any text, not of a phrase.
    bool readSpeech = false;
    bool fitOnly = false;  // made for fitting only (speed-changed copies): never measured
    bool voice = false;    // whether InitHMM would find a voice in it
    speech::UtteranceStatistics statistics;  // when it has a voice
};

// Reads DIR/manifest.tsv and, when present, DIR/changes.tsv of every folder, and computes the
// statistics on `jobs` threads. Progress goes to stderr.
// The folders of fitOnly give recordings that are fitted on but never measured.
//
// With KELVO_STATISTICS_CACHE set to a file name, the statistics are read from that file when
// it was written for the same recordings (paths, sizes and modification times) and a few of
// them computed again come out the same, and written there otherwise: repeated experiments on
// the same corpora skip the front end.
std::vector<Recording> LoadCorpora(const std::vector<std::filesystem::path>& folders, int jobs,
                                   const std::vector<std::filesystem::path>& fitOnly = {});

// The distinct voices, in order of first appearance.
std::vector<std::string> VoicesOf(const std::vector<Recording>& recordings);

// The person a voice belongs to: the part of its name before '~' ("1034~speed0.9" is a
// speed-changed copy of 1034), so that folds keep a person's copies together.
std::string PersonOf(const std::string& voice);

}  // namespace fitting
