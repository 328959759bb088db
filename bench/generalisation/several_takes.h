// Enrolment from several takes of the password: how the rules for what to store compare, and
// how often the take comparison names a take that is off, on voices the fit did not see.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "corpus_statistics.h"
#include "model_fit.h"

namespace fitting {

// What an enrolment from several takes stores as the verifier's two vectors.
enum class StoreRule {
    kFirstTake,       // the first take alone (enrolling a single take)
    kAllAppended,     // every take appended: the first and the last take
    kCentral,         // the take that agrees best with the others, alone
    kCentralAndNext,  // that take and the next best
    kMean,            // the mean of the takes' vectors
    kMeanOfAgreeing,  // the mean of every take but those named as off: what kelvo stores
};
inline constexpr StoreRule kStoreRules[] = {StoreRule::kFirstTake, StoreRule::kAllAppended,
                                            StoreRule::kCentral,   StoreRule::kCentralAndNext,
                                            StoreRule::kMean,      StoreRule::kMeanOfAgreeing};
const char* StoreRuleName(StoreRule rule);

// The groups of attempts: the genuine ones clean and changed, the impostors and the same
// voice's phrases sharing no word (clean).
enum class AttemptGroup { kGenuineClean, kGenuineChanged, kImpostor, kWrongPhrase };

struct TakesMeasurement {
    // By (corpus, rule, group): errors are rejected genuine and accepted other attempts.
    std::map<std::tuple<std::string, StoreRule, AttemptGroup>, Rate> rates;
    // Enrolments from clean takes of the password: errors are those where a take was named
    // as the outlier (a false alarm), by corpus.
    std::map<std::string, Rate> outlierOnCleanTakes;
    // The same with one take replaced by the voice saying another phrase: errors are those
    // where that take was not named, by corpus.
    std::map<std::string, Rate> wrongTakeMissed;
    // FRR on clean genuine attempts of enrolments with that wrong take, by (corpus, rule).
    std::map<std::pair<std::string, StoreRule>, Rate> withWrongTake;

    // Misses between two clean takes of the password, and between a take and one of another
    // phrase by the same voice: how many pairs had each count (0 to 45), by corpus.
    std::map<std::string, std::vector<std::size_t>> genuinePairMisses;
    std::map<std::string, std::vector<std::size_t>> wrongPairMisses;
    // The same for the last take against the mean of the others, that take being of the
    // password or of another phrase.
    std::map<std::string, std::vector<std::size_t>> genuineAgainstOthers;
    std::map<std::string, std::vector<std::size_t>> wrongAgainstOthers;

    void Merge(const TakesMeasurement& other);
};

// Every run of `takes` consecutive clean sessions (in turn, wrapping) of a voice and phrase
// among `testing` becomes an enrolment, when another session is left to attempt; read-speech
// corpora have no repeated password and are left out.
TakesMeasurement MeasureSeveralTakes(const std::vector<Recording>& recordings,
                                     const std::vector<std::size_t>& testing,
                                     const speech::ModelVectorParameters& parameters,
                                     std::size_t takes);

}  // namespace fitting
