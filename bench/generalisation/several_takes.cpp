// Enrolments from several takes, measured with the verifier's comparison on unseen voices.
#include "several_takes.h"

#include <algorithm>
#include <optional>
#include <set>

#include "kelvo/core/scoring.h"
#include "kelvo/core/take_agreement.h"
#include "model_vector.h"

namespace fitting {
namespace {

using accuracy::ShareWord;

using Vectors = std::vector<std::optional<kelvo::ModelVector>>;

struct Enrolled {
    kelvo::ModelVector first;
    kelvo::ModelVector second;
};

bool Accepted(const Enrolled& enrolled, const kelvo::ModelVector& test) {
    return kelvo::CompareVectors(enrolled.first, enrolled.second, test, kelvo::kPassThreshold)
        .accepted;
}

// The take with the fewest misses against the others but `skip`.
std::size_t NextBest(const kelvo::TakeAgreement& agreement, std::size_t skip) {
    std::optional<std::size_t> best;
    double bestTotal = 0.0;
    for (std::size_t i = 0; i < agreement.misses.size(); ++i) {
        double total = 0.0;
        for (const double misses : agreement.misses[i]) {
            total += misses;
        }
        if (i != skip && (!best || total < bestTotal)) {
            best = i;
            bestTotal = total;
        }
    }
    return best.value_or(skip);
}

void AddPair(std::vector<std::size_t>& histogram, double misses) {
    histogram.resize(kelvo::kFeatureCount + 1, 0);
    ++histogram[static_cast<std::size_t>(std::clamp(misses, 0.0, 45.0))];
}

// The misses of take `t` against the mean of the others.
double AgainstTheOthers(const std::vector<kelvo::ModelVector>& takes, std::size_t t) {
    const kelvo::ModelVector mean = kelvo::MeanOfTakes(takes, {t});
    return kelvo::CompareVectors(mean, mean, takes[t], kelvo::kPassThreshold).misses;
}

void MergeHistogram(std::vector<std::size_t>& into, const std::vector<std::size_t>& from) {
    into.resize(std::max(into.size(), from.size()), 0);
    for (std::size_t i = 0; i < from.size(); ++i) {
        into[i] += from[i];
    }
}

Enrolled Store(StoreRule rule, const std::vector<kelvo::ModelVector>& takes,
               const kelvo::TakeAgreement& agreement) {
    const std::size_t last = takes.size() - 1;
    switch (rule) {
        case StoreRule::kFirstTake:
            return {takes[0], takes[0]};
        case StoreRule::kAllAppended:
            return {takes[0], takes[last]};
        case StoreRule::kCentral:
            return {takes[agreement.central], takes[agreement.central]};
        case StoreRule::kCentralAndNext:
            return {takes[agreement.central], takes[NextBest(agreement, agreement.central)]};
        case StoreRule::kMean: {
            const kelvo::ModelVector mean = kelvo::MeanOfTakes(takes);
            return {mean, mean};
        }
        case StoreRule::kMeanOfAgreeing: {
            const kelvo::ModelVector mean = kelvo::MeanOfTakes(takes, agreement.outliers);
            return {mean, mean};
        }
    }
    return {takes[0], takes[0]};
}

}  // namespace

const char* StoreRuleName(StoreRule rule) {
    switch (rule) {
        case StoreRule::kFirstTake:
            return "first take alone";
        case StoreRule::kAllAppended:
            return "all appended";
        case StoreRule::kCentral:
            return "central take";
        case StoreRule::kCentralAndNext:
            return "central + next";
        case StoreRule::kMean:
            return "mean";
        case StoreRule::kMeanOfAgreeing:
            return "mean, off ones out";
    }
    return "?";
}

void TakesMeasurement::Merge(const TakesMeasurement& other) {
    for (const auto& [key, rate] : other.rates) {
        rates[key].trials += rate.trials;
        rates[key].errors += rate.errors;
    }
    for (const auto& [key, rate] : other.outlierOnCleanTakes) {
        outlierOnCleanTakes[key].trials += rate.trials;
        outlierOnCleanTakes[key].errors += rate.errors;
    }
    for (const auto& [key, rate] : other.wrongTakeMissed) {
        wrongTakeMissed[key].trials += rate.trials;
        wrongTakeMissed[key].errors += rate.errors;
    }
    for (const auto& [key, histogram] : other.genuinePairMisses) {
        MergeHistogram(genuinePairMisses[key], histogram);
    }
    for (const auto& [key, histogram] : other.wrongPairMisses) {
        MergeHistogram(wrongPairMisses[key], histogram);
    }
    for (const auto& [key, histogram] : other.genuineAgainstOthers) {
        MergeHistogram(genuineAgainstOthers[key], histogram);
    }
    for (const auto& [key, histogram] : other.wrongAgainstOthers) {
        MergeHistogram(wrongAgainstOthers[key], histogram);
    }
    for (const auto& [key, rate] : other.withWrongTake) {
        withWrongTake[key].trials += rate.trials;
        withWrongTake[key].errors += rate.errors;
    }
}

TakesMeasurement MeasureSeveralTakes(const std::vector<Recording>& recordings,
                                     const std::vector<std::size_t>& testing,
                                     const speech::ModelVectorParameters& parameters,
                                     std::size_t takes) {
    // Clean sessions by (corpus, voice, phrase), changed versions by their clean session.
    std::map<std::tuple<std::string, std::string, std::string>, std::map<int, std::size_t>> groups;
    std::map<std::tuple<std::string, std::string, std::string, int>, std::vector<std::size_t>>
        changed;
    Vectors vectors(recordings.size());
    for (const std::size_t i : testing) {
        const Recording& recording = recordings[i];
        if (recording.fitOnly || recording.readSpeech) {
            continue;
        }
        if (recording.voice) {
            vectors[i] = [&] {
                const std::vector<double> values =
                    speech::ComputeModelVector(recording.statistics, parameters);
                kelvo::ModelVector vector{};
                std::copy_n(values.begin(), vector.size(), vector.begin());
                return vector;
            }();
        }
        const auto& s = recording.source;
        if (s.Clean()) {
            groups[{recording.corpus, s.voice, s.phrase}][s.session] = i;
        } else {
            changed[{recording.corpus, s.voice, s.phrase, s.session}].push_back(i);
        }
    }
    TakesMeasurement measurement;
    for (const auto& [key, sessions] : groups) {
        const auto& [corpus, voice, phrase] = key;
        if (sessions.size() <= takes) {
            continue;
        }
        std::vector<std::size_t> ordered;
        for (const auto& [session, index] : sessions) {
            ordered.push_back(index);
        }
        // The attempts against this voice and phrase, whatever takes are enrolled.
        std::vector<std::size_t> impostors;
        std::vector<std::size_t> wrongPhrases;
        for (const auto& [other, otherSessions] : groups) {
            const auto& [otherCorpus, otherVoice, otherPhrase] = other;
            if (otherCorpus != corpus) {
                continue;
            }
            const bool impostor = otherPhrase == phrase && PersonOf(otherVoice) != PersonOf(voice);
            const bool wrong = otherVoice == voice && !ShareWord(otherPhrase, phrase);
            for (const auto& [session, index] : otherSessions) {
                if (vectors[index] && (impostor || wrong)) {
                    (impostor ? impostors : wrongPhrases).push_back(index);
                }
            }
        }
        for (std::size_t start = 0; start < ordered.size(); ++start) {
            std::vector<kelvo::ModelVector> vectorsOfTakes;
            std::set<int> enrolledSessions;
            for (std::size_t t = 0; t < takes; ++t) {
                const std::size_t index = ordered[(start + t) % ordered.size()];
                if (vectors[index]) {
                    vectorsOfTakes.push_back(*vectors[index]);
                }
                enrolledSessions.insert(recordings[index].source.session);
            }
            if (vectorsOfTakes.size() < takes) {
                continue;  // a take without voice is refused before any comparison
            }
            const kelvo::TakeAgreement agreement = kelvo::CompareTakes(vectorsOfTakes);
            measurement.outlierOnCleanTakes[corpus].Add(!agreement.outliers.empty());
            AddPair(measurement.genuinePairMisses[corpus], agreement.misses[0][1]);
            AddPair(measurement.genuineAgainstOthers[corpus],
                    AgainstTheOthers(vectorsOfTakes, takes - 1));
            std::vector<std::size_t> genuine;
            std::vector<std::size_t> genuineChanged;
            for (const auto& [session, index] : sessions) {
                if (enrolledSessions.count(session) == 0) {
                    genuine.push_back(index);
                    for (const std::size_t c : changed[{corpus, voice, phrase, session}]) {
                        genuineChanged.push_back(c);
                    }
                }
            }
            const auto count = [&](const Enrolled& enrolled, const std::vector<std::size_t>& tests,
                                   bool genuineTests, Rate& rate) {
                for (const std::size_t t : tests) {
                    const bool accepted = vectors[t] && Accepted(enrolled, *vectors[t]);
                    rate.Add(genuineTests ? !accepted : accepted);
                }
            };
            for (const StoreRule rule : kStoreRules) {
                const Enrolled enrolled = Store(rule, vectorsOfTakes, agreement);
                count(enrolled, genuine, true,
                      measurement.rates[{corpus, rule, AttemptGroup::kGenuineClean}]);
                count(enrolled, genuineChanged, true,
                      measurement.rates[{corpus, rule, AttemptGroup::kGenuineChanged}]);
                count(enrolled, impostors, false,
                      measurement.rates[{corpus, rule, AttemptGroup::kImpostor}]);
                count(enrolled, wrongPhrases, false,
                      measurement.rates[{corpus, rule, AttemptGroup::kWrongPhrase}]);
            }
            // The last take said as another password: is it named, and what is stored then?
            if (wrongPhrases.empty()) {
                continue;
            }
            const std::size_t wrongTake = takes - 1;
            std::vector<kelvo::ModelVector> withWrong = vectorsOfTakes;
            withWrong[wrongTake] = *vectors[wrongPhrases[start % wrongPhrases.size()]];
            const kelvo::TakeAgreement wrongAgreement = kelvo::CompareTakes(withWrong);
            measurement.wrongTakeMissed[corpus].Add(!wrongAgreement.IsOutlier(wrongTake));
            AddPair(measurement.wrongPairMisses[corpus], wrongAgreement.misses[0][wrongTake]);
            AddPair(measurement.wrongAgainstOthers[corpus], AgainstTheOthers(withWrong, wrongTake));
            for (const StoreRule rule : kStoreRules) {
                count(Store(rule, withWrong, wrongAgreement), genuine, true,
                      measurement.withWrongTake[{corpus, rule}]);
            }
        }
    }
    return measurement;
}

}  // namespace fitting
