// Fitting the model vector's parameters on the recordings of some voices, and measuring a set
// of parameters on the recordings of others, with the verifier's own comparison and the
// demo's enrolment (one recording enrolled as both the first and the second vector).
#pragma once

#include <cstddef>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "corpus_statistics.h"
#include "discriminant.h"
#include "model_vector.h"
#include "trials.h"

namespace fitting {

// The error rates a fit aims at, in percent: a fit minimises, over the corpora, the largest
// mean ratio of a corpus's three rates to their goals.
struct Goals {
    double falseReject = 10.0;
    double falseAccept = 2.0;
    double wrongPhrase = 5.0;
};

struct FitOptions {
    DiscriminantOptions voice{80, 12, 0.01};
    DiscriminantOptions phrase{100, 12, 0.001};
    std::vector<double> weights;  // phrase weights tried; empty: 0.3 to 3 in 10 steps
    std::vector<double> gains;    // gains tried; empty: 250 to 6000 in 24 steps
    std::size_t innerFolds = 4;   // folds by voice for choosing weight and gain
    // Positions of the model vector that read the phrase alone, the rest reading the voice
    // alone; 0: every position reads both (whole random bases of the joined coordinates).
    // Measured on the corpora, 20 positions for the phrase alone let twice as many wrong
    // passwords through at the same false rejects as readings of both: what a password
    // changes in the voice's statistics counts too.
    std::size_t phraseReadings = 0;
    // Wrong phrases judged by their phrase alone in choosing the weight and the gain, as if
    // the voice matched the enrolment exactly. Measured on the corpora it doubles the false
    // rejects (the phrase's numbers do not tell passwords apart well enough), so it is off.
    bool phraseAlone = false;
    Goals goals;
    unsigned seed = 1;  // of the reading directions
};

// Sets the fit option named `option` from `value` and returns true, or returns false when the
// option is none of these: --voice-outputs N, --phrase-outputs N, --phrase-readings N,
// --weighted, --phrase-alone (the last two take no value: `value` is not used). A bad value ends
// the program with status 2.
bool TakeFitOption(std::string_view option, const char* value, FitOptions& options,
                   bool& tookValue);

// Parameters fitted on the recordings `training` (indices): the two projections on all of
// them; the phrase weight and the gain by cross-validation over their voices, so that both
// are chosen on voices the projections did not see. Notes on the choice go to `log`.
speech::ModelVectorParameters FitModelVector(const std::vector<Recording>& recordings,
                                             const std::vector<std::size_t>& training,
                                             const FitOptions& options, std::FILE* log);

// Counts of one group of trials.
struct Rate {
    std::size_t trials = 0;
    std::size_t errors = 0;  // rejected genuine attempts, accepted other ones
    double Percent() const {
        return trials == 0 ? 0.0
                           : 100.0 * static_cast<double>(errors) / static_cast<double>(trials);
    }
    void Add(bool error) {
        ++trials;
        errors += error ? 1u : 0u;
    }
};

// Outcomes of every trial among some recordings, by corpus, kind, the attempt's change and
// the enrolled voice.
struct Measurement {
    std::map<std::string, std::size_t> enrolments;        // by corpus
    std::map<std::string, std::size_t> failedEnrolments;  // by corpus: no voice found
    std::map<std::tuple<std::string, accuracy::TrialKind, std::string>, Rate> byChange;
    std::map<std::tuple<std::string, accuracy::TrialKind, std::string>, Rate> byVoice;  // clean
    // Attempts made at another level ("level-N" changes) whose decision differs from the same
    // attempt at full level ("level-0"), by (corpus, change): errors are the disagreements.
    std::map<std::pair<std::string, std::string>, Rate> levelDisagreement;
    // Clean attempts by another voice of the enrolled person (PersonOf) saying the phrase, by
    // corpus: errors are the accepted ones. Left out of every other count.
    std::map<std::string, Rate> variants;
    // Clean wrong-phrase attempts judged by their phrase alone (the voice's positions taken
    // from the enrolment, as if the voice matched exactly), by corpus: errors are accepts.
    // Only when some positions read the phrase alone.
    std::map<std::string, Rate> wrongPhraseAlone;
    // Clean trials by (corpus, kind): their count and the sums of the misses at the positions
    // that read the voice and at those that read the phrase (when some read the phrase alone).
    struct Misses {
        std::size_t trials = 0;
        double voice = 0.0;
        double phrase = 0.0;
    };
    std::map<std::pair<std::string, accuracy::TrialKind>, Misses> misses;

    Rate Clean(const std::string& corpus, accuracy::TrialKind kind) const;
    void Merge(const Measurement& other);
};

// The trials among the recordings `testing` (indices), enrolled and verified with parameters.
Measurement Measure(const std::vector<Recording>& recordings,
                    const std::vector<std::size_t>& testing,
                    const speech::ModelVectorParameters& parameters);

// Folds by person (PersonOf): person i of each corpus (in order of appearance) goes to fold
// i % folds, so every fold holds voices of every corpus, and a voice's speed-changed copies
// go with it.
std::vector<std::vector<std::size_t>> FoldsByVoice(const std::vector<Recording>& recordings,
                                                   const std::vector<std::size_t>& among,
                                                   std::size_t folds);

}  // namespace fitting
