#include "model_fit.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <set>
#include <stdexcept>

#include "kelvo/core/scoring.h"

namespace fitting {
namespace {

using accuracy::TrialKind;

std::vector<double> Geometric(double from, double to, std::size_t steps) {
    std::vector<double> values;
    for (std::size_t i = 0; i < steps; ++i) {
        values.push_back(
            from * std::pow(to / from, static_cast<double>(i) / static_cast<double>(steps - 1)));
    }
    return values;
}

// Rows of whole random orthonormal bases of a space of `dims` dimensions, one after another,
// `rows` of them.
std::vector<Eigen::VectorXd> OrthonormalRows(std::size_t dims, std::size_t rows,
                                             std::mt19937_64& random) {
    std::normal_distribution<double> normal;
    std::vector<Eigen::VectorXd> result;
    const auto size = static_cast<Eigen::Index>(dims);
    while (result.size() < rows) {
        Eigen::MatrixXd gaussian(size, size);
        for (Eigen::Index i = 0; i < size; ++i) {
            for (Eigen::Index j = 0; j < size; ++j) {
                gaussian(i, j) = normal(random);
            }
        }
        const Eigen::MatrixXd basis =
            Eigen::HouseholderQR<Eigen::MatrixXd>(gaussian).householderQ();
        for (Eigen::Index i = 0; i < size && result.size() < rows; ++i) {
            result.emplace_back(basis.row(i).transpose());
        }
    }
    return result;
}

// The reading directions over the joined coordinates (voice, then phrase): with
// phraseReadings 0 whole random orthonormal bases of them all, so that every position reads
// both parts; otherwise the first rows read the voice coordinates alone and the last
// `phraseReadings` rows the phrase coordinates alone, so that a recording saying another
// phrase misses at the phrase's positions whatever its voice does.
std::vector<double> ReadingDirections(std::size_t voiceDims, std::size_t phraseDims,
                                      std::size_t phraseReadings, unsigned seed) {
    std::mt19937_64 random(seed);
    const std::size_t dims = voiceDims + phraseDims;
    std::vector<double> directions(speech::kModelVectorSize * dims, 0.0);
    // `count` rows from `firstRow` on, reading `width` columns from `firstColumn` on.
    const auto place = [&](std::size_t firstRow, std::size_t count, std::size_t firstColumn,
                           std::size_t width) {
        const auto rows = OrthonormalRows(width, count, random);
        for (std::size_t i = 0; i < count; ++i) {
            for (std::size_t j = 0; j < width; ++j) {
                directions[(firstRow + i) * dims + firstColumn + j] =
                    rows[i](static_cast<Eigen::Index>(j));
            }
        }
    };
    if (phraseReadings == 0) {  // every position reads both parts
        place(0, speech::kModelVectorSize, 0, dims);
    } else {
        const std::size_t voiceReadings = speech::kModelVectorSize - phraseReadings;
        place(0, voiceReadings, 0, voiceDims);
        place(voiceReadings, phraseReadings, voiceDims, phraseDims);
    }
    return directions;
}

// The recordings among `indices` that have a voice: only they can be fitted on.
std::vector<std::size_t> Voiced(const std::vector<Recording>& recordings,
                                const std::vector<std::size_t>& indices) {
    std::vector<std::size_t> voiced;
    for (const std::size_t i : indices) {
        if (recordings[i].voice) {
            voiced.push_back(i);
        }
    }
    return voiced;
}

speech::ModelVectorParameters FitProjections(const std::vector<Recording>& recordings,
                                             const std::vector<std::size_t>& training,
                                             const FitOptions& options) {
    const std::vector<std::size_t> voiced = Voiced(recordings, training);
    // Numbers given to keys in order of appearance.
    struct Numbering {
        std::map<std::string, std::size_t> ids;
        std::pair<std::size_t, bool> Of(const std::string& key) {
            const auto [found, added] = ids.try_emplace(key, ids.size());
            return {found->second, added};
        }
    };
    // The phrase: classes are (voice, phrase), each compared with the same voice's other
    // phrases. The voice: classes are (voice, phrase), compared with other voices saying the
    // same phrase; in a corpus of read speech a class is a voice whatever it reads, compared
    // with the corpus's other voices.
    Numbering voices, phraseClasses, voiceGroups, voiceClasses;
    std::vector<std::size_t> phraseClassOf, voiceClassOf;
    std::vector<std::size_t> groupOfPhraseClass, groupOfVoiceClass;
    std::vector<const std::vector<double>*> voiceSamples;
    std::vector<const std::vector<double>*> phraseSamples;
    for (const std::size_t i : voiced) {
        const Recording& recording = recordings[i];
        const std::string voice = recording.corpus + "/" + recording.source.voice;
        const std::string phrase = recording.corpus + "/" + recording.source.phrase;
        const std::size_t v = voices.Of(voice).first;
        const auto [phraseClass, newPhraseClass] = phraseClasses.Of(voice + "\t" + phrase);
        if (newPhraseClass) {
            groupOfPhraseClass.push_back(v);
        }
        phraseClassOf.push_back(phraseClass);

        const std::string voiceGroup = recording.readSpeech ? recording.corpus : phrase;
        const std::string voiceClassKey = recording.readSpeech ? voice : voice + "\t" + phrase;
        const auto [voiceClass, newVoiceClass] = voiceClasses.Of(voiceClassKey);
        if (newVoiceClass) {
            groupOfVoiceClass.push_back(voiceGroups.Of(voiceGroup).first);
        }
        voiceClassOf.push_back(voiceClass);
        voiceSamples.push_back(&recording.statistics.voice);
        phraseSamples.push_back(&recording.statistics.phrase);
    }
    speech::ModelVectorParameters parameters;
    parameters.voice =
        FitDiscriminant(voiceSamples, voiceClassOf, groupOfVoiceClass, options.voice);
    parameters.phrase =
        FitDiscriminant(phraseSamples, phraseClassOf, groupOfPhraseClass, options.phrase);
    parameters.directions = ReadingDirections(parameters.voice.outputs, parameters.phrase.outputs,
                                              options.phraseReadings, options.seed);
    return parameters;
}

kelvo::ModelVector ToModelVector(const std::vector<double>& values) {
    kelvo::ModelVector vector{};
    std::copy_n(values.begin(), vector.size(), vector.begin());
    return vector;
}

bool Accepted(const kelvo::ModelVector& enrolled, const kelvo::ModelVector& test) {
    return kelvo::CompareVectors(enrolled, enrolled, test, kelvo::kPassThreshold).accepted;
}

// The positions that read the phrase alone: their voice columns are all 0.
std::vector<bool> PhrasePositions(const speech::ModelVectorParameters& parameters) {
    std::vector<bool> readsPhrase(speech::kModelVectorSize, false);
    const std::size_t dims = parameters.voice.outputs + parameters.phrase.outputs;
    for (std::size_t i = 0; i < speech::kModelVectorSize; ++i) {
        bool phraseOnly = true;
        for (std::size_t j = 0; j < parameters.voice.outputs; ++j) {
            phraseOnly = phraseOnly && parameters.directions[i * dims + j] == 0.0;
        }
        readsPhrase[i] = phraseOnly;
    }
    return readsPhrase;
}

// The test vector with the other part's positions taken from the enrolment: what the
// comparison sees of one part alone (of the phrase: as if the voice matched exactly).
kelvo::ModelVector OnePart(const kelvo::ModelVector& enrolled, kelvo::ModelVector test,
                           const std::vector<bool>& readsPhrase, bool phrasePart) {
    for (std::size_t i = 0; i < test.size(); ++i) {
        if (readsPhrase[i] != phrasePart) {
            test[i] = enrolled[i];
        }
    }
    return test;
}

// Another voice of the same person (a synthesizer voice with other settings) saying the
// enrolled phrase: neither the enrolled voice nor an impostor, so counted apart.
bool SamePersonVariants(const Recording& enrolled, const Recording& test, TrialKind kind) {
    return kind == TrialKind::kImpostor &&
           PersonOf(enrolled.source.voice) == PersonOf(test.source.voice);
}

// The enrolments and trials among a subset of the recordings, with indices into the whole.
struct Plan {
    std::vector<std::size_t> members;  // subset index -> recording index
    std::vector<accuracy::Enrolment> enrolments;
};

Plan PlanAmong(const std::vector<Recording>& recordings, const std::vector<std::size_t>& among) {
    Plan plan;
    std::vector<accuracy::Recording> sources;
    for (const std::size_t i : among) {
        if (!recordings[i].fitOnly) {
            plan.members.push_back(i);
            sources.push_back(recordings[i].source);
        }
    }
    plan.enrolments = accuracy::PlanTrials(sources);
    return plan;
}

// Errors of the clean trials by corpus and kind, for every (weight, gain) of a grid.
struct GridCounts {
    std::size_t gains = 0;
    // [weight * gains + gain][(corpus, kind)]
    std::vector<std::map<std::pair<std::string, TrialKind>, Rate>> cells;
};

void CountGrid(const std::vector<Recording>& recordings, const Plan& plan,
               speech::ModelVectorParameters parameters, const std::vector<double>& weights,
               const std::vector<double>& gains, const FitOptions& options, GridCounts& counts) {
    const std::size_t n = plan.members.size();
    for (std::size_t w = 0; w < weights.size(); ++w) {
        parameters.phraseWeight = weights[w];
        std::vector<std::vector<double>> coordinates(n);
        for (std::size_t m = 0; m < n; ++m) {
            const Recording& recording = recordings[plan.members[m]];
            if (recording.voice) {
                coordinates[m] = speech::Coordinates(recording.statistics, parameters);
            }
        }
        const std::vector<bool> readsPhrase = PhrasePositions(parameters);
        for (std::size_t g = 0; g < gains.size(); ++g) {
            parameters.gain = gains[g];
            std::vector<kelvo::ModelVector> vectors(n);
            for (std::size_t m = 0; m < n; ++m) {
                if (!coordinates[m].empty()) {
                    vectors[m] = ToModelVector(speech::ReadModelVector(coordinates[m], parameters));
                }
            }
            auto& cell = counts.cells[w * gains.size() + g];
            for (const accuracy::Enrolment& enrolment : plan.enrolments) {
                if (coordinates[enrolment.recording].empty()) {
                    continue;
                }
                const std::string& corpus = recordings[plan.members[enrolment.recording]].corpus;
                for (const accuracy::Trial& trial : enrolment.trials) {
                    const Recording& test = recordings[plan.members[trial.test]];
                    if (!test.source.Clean() || trial.kind == TrialKind::kNearPhrase ||
                        SamePersonVariants(recordings[plan.members[enrolment.recording]], test,
                                           trial.kind)) {
                        continue;
                    }
                    // With phraseAlone another password is to be refused by its phrase
                    // alone, however close the voice: its voice positions are taken from the
                    // enrolment.
                    const bool accepted =
                        !coordinates[trial.test].empty() &&
                        Accepted(vectors[enrolment.recording],
                                 options.phraseAlone && trial.kind == TrialKind::kWrongPhrase
                                     ? OnePart(vectors[enrolment.recording], vectors[trial.test],
                                               readsPhrase, true)
                                     : vectors[trial.test]);
                    cell[{corpus, trial.kind}].Add(trial.kind == TrialKind::kGenuine ? !accepted
                                                                                     : accepted);
                }
            }
        }
    }
}

// Per corpus, the mean ratio of its three rates (false rejects, false accepts, wrong phrases)
// to their goals; the cost is the largest over the corpora. The mean trades the three rates
// against each other within a corpus, so that a rate no setting can bring to its goal (the
// near-duplicate voices of a synthesizer) does not decide alone.
double Cost(const std::map<std::pair<std::string, TrialKind>, Rate>& cell, const Goals& goals) {
    std::map<std::string, std::pair<double, int>> byCorpus;
    for (const auto& [key, rate] : cell) {
        const double goal = key.second == TrialKind::kGenuine    ? goals.falseReject
                            : key.second == TrialKind::kImpostor ? goals.falseAccept
                                                                 : goals.wrongPhrase;
        auto& [sum, count] = byCorpus[key.first];
        sum += rate.Percent() / goal;
        ++count;
    }
    double cost = 0.0;
    for (const auto& [corpus, sum] : byCorpus) {
        cost = std::max(cost, sum.first / sum.second);
    }
    return cost;
}

}  // namespace

bool TakeFitOption(std::string_view option, const char* value, FitOptions& options,
                   bool& tookValue) {
    tookValue = false;
    if (option == "--weighted") {
        options.voice.weighted = options.phrase.weighted = true;
        return true;
    }
    if (option == "--phrase-alone") {
        options.phraseAlone = true;
        return true;
    }
    std::size_t* target = option == "--voice-outputs"     ? &options.voice.outputs
                          : option == "--phrase-outputs"  ? &options.phrase.outputs
                          : option == "--phrase-readings" ? &options.phraseReadings
                                                          : nullptr;
    if (target == nullptr) {
        return false;
    }
    const long number = value != nullptr ? std::strtol(value, nullptr, 10) : -1;
    const long least = target == &options.phraseReadings ? 0 : 1;  // 0: both parts everywhere
    if (number < least || number >= static_cast<long>(speech::kModelVectorSize)) {
        std::fprintf(stderr, "%.*s needs a number up to 44\n", static_cast<int>(option.size()),
                     option.data());
        std::exit(2);
    }
    *target = static_cast<std::size_t>(number);
    tookValue = true;
    return true;
}

std::vector<std::vector<std::size_t>> FoldsByVoice(const std::vector<Recording>& recordings,
                                                   const std::vector<std::size_t>& among,
                                                   std::size_t folds) {
    std::map<std::string, std::size_t> foldOfPerson;
    std::map<std::string, std::size_t> personsOfCorpus;
    for (const std::size_t i : among) {
        const Recording& recording = recordings[i];
        const std::string person = PersonOf(recording.source.voice);
        if (!foldOfPerson.count(person)) {
            foldOfPerson[person] = personsOfCorpus[recording.corpus]++ % folds;
        }
    }
    std::vector<std::vector<std::size_t>> result(folds);
    for (const std::size_t i : among) {
        result[foldOfPerson[PersonOf(recordings[i].source.voice)]].push_back(i);
    }
    return result;
}

speech::ModelVectorParameters FitModelVector(const std::vector<Recording>& recordings,
                                             const std::vector<std::size_t>& training,
                                             const FitOptions& options, std::FILE* log) {
    const std::vector<double> weights =
        options.weights.empty() ? Geometric(0.3, 3.0, 10) : options.weights;
    const std::vector<double> gains =
        options.gains.empty() ? Geometric(250.0, 6000.0, 24) : options.gains;
    GridCounts counts;
    counts.gains = gains.size();
    counts.cells.resize(weights.size() * gains.size());
    const auto folds = FoldsByVoice(recordings, training, options.innerFolds);
    for (std::size_t f = 0; f < folds.size(); ++f) {
        std::vector<std::size_t> rest;
        for (std::size_t g = 0; g < folds.size(); ++g) {
            if (g != f) {
                rest.insert(rest.end(), folds[g].begin(), folds[g].end());
            }
        }
        const speech::ModelVectorParameters inner = FitProjections(recordings, rest, options);
        CountGrid(recordings, PlanAmong(recordings, folds[f]), inner, weights, gains, options,
                  counts);
    }
    std::size_t best = 0;
    for (std::size_t c = 1; c < counts.cells.size(); ++c) {
        if (Cost(counts.cells[c], options.goals) < Cost(counts.cells[best], options.goals)) {
            best = c;
        }
    }
    speech::ModelVectorParameters parameters = FitProjections(recordings, training, options);
    parameters.phraseWeight = weights[best / gains.size()];
    parameters.gain = gains[best % gains.size()];
    if (log != nullptr) {
        std::fprintf(log, "  chosen on held-out voices: phrase weight %.3f, gain %.1f (cost %.2f:",
                     parameters.phraseWeight, parameters.gain,
                     Cost(counts.cells[best], options.goals));
        for (const auto& [key, rate] : counts.cells[best]) {
            std::fprintf(log, " %s %s %.1f%%", key.first.c_str(),
                         key.second == TrialKind::kGenuine    ? "FRR"
                         : key.second == TrialKind::kImpostor ? "FAR"
                                                              : "WPA",
                         rate.Percent());
        }
        std::fprintf(log, ")\n");
    }
    return parameters;
}

Rate Measurement::Clean(const std::string& corpus, accuracy::TrialKind kind) const {
    const auto found = byChange.find({corpus, kind, accuracy::kClean});
    return found == byChange.end() ? Rate{} : found->second;
}

namespace {

// Adds the counts of one map of rates to another's, key by key.
template <typename Key>
void AddRates(std::map<Key, Rate>& into, const std::map<Key, Rate>& from) {
    for (const auto& [key, rate] : from) {
        into[key].trials += rate.trials;
        into[key].errors += rate.errors;
    }
}

}  // namespace

void Measurement::Merge(const Measurement& other) {
    for (const auto& [key, value] : other.enrolments) {
        enrolments[key] += value;
    }
    for (const auto& [key, value] : other.failedEnrolments) {
        failedEnrolments[key] += value;
    }
    AddRates(byChange, other.byChange);
    AddRates(byVoice, other.byVoice);
    AddRates(levelDisagreement, other.levelDisagreement);
    AddRates(variants, other.variants);
    AddRates(wrongPhraseAlone, other.wrongPhraseAlone);
    for (const auto& [key, value] : other.misses) {
        misses[key].trials += value.trials;
        misses[key].voice += value.voice;
        misses[key].phrase += value.phrase;
    }
}

Measurement Measure(const std::vector<Recording>& recordings,
                    const std::vector<std::size_t>& testing,
                    const speech::ModelVectorParameters& parameters) {
    const Plan plan = PlanAmong(recordings, testing);
    std::vector<std::optional<kelvo::ModelVector>> vectors(plan.members.size());
    for (std::size_t m = 0; m < plan.members.size(); ++m) {
        const Recording& recording = recordings[plan.members[m]];
        if (recording.voice) {
            vectors[m] =
                ToModelVector(speech::ComputeModelVector(recording.statistics, parameters));
        }
    }
    const std::vector<bool> readsPhrase = PhrasePositions(parameters);
    // Whether some positions read the phrase alone: only then are the parts told apart.
    const bool split = std::find(readsPhrase.begin(), readsPhrase.end(), true) != readsPhrase.end();
    const auto partMisses = [&](const kelvo::ModelVector& enrolled, const kelvo::ModelVector& test,
                                bool phrasePart) {
        return kelvo::CompareVectors(enrolled, enrolled,
                                     OnePart(enrolled, test, readsPhrase, phrasePart),
                                     kelvo::kPassThreshold)
            .misses;
    };
    Measurement measurement;
    // Decisions on the level changes of each attempt: (enrolment, voice, phrase, session) ->
    // change -> accepted.
    std::map<std::tuple<std::size_t, std::string, std::string, int>, std::map<std::string, bool>>
        levels;
    for (const accuracy::Enrolment& enrolment : plan.enrolments) {
        const Recording& enrolled = recordings[plan.members[enrolment.recording]];
        ++measurement.enrolments[enrolled.corpus];
        if (!vectors[enrolment.recording]) {
            ++measurement.failedEnrolments[enrolled.corpus];
            continue;
        }
        for (const accuracy::Trial& trial : enrolment.trials) {
            const Recording& test = recordings[plan.members[trial.test]];
            if (SamePersonVariants(enrolled, test, trial.kind)) {
                if (test.source.Clean()) {
                    measurement.variants[enrolled.corpus].Add(
                        vectors[trial.test] &&
                        Accepted(*vectors[enrolment.recording], *vectors[trial.test]));
                }
                continue;
            }
            const bool accepted = vectors[trial.test] &&
                                  Accepted(*vectors[enrolment.recording], *vectors[trial.test]);
            const bool error = trial.kind == TrialKind::kGenuine ? !accepted : accepted;
            measurement.byChange[{enrolled.corpus, trial.kind, test.source.change}].Add(error);
            if (test.source.change.starts_with("level-")) {
                levels[{enrolment.recording, test.source.voice, test.source.phrase,
                        test.source.session}][test.source.change] = accepted;
            }
            if (test.source.Clean()) {
                measurement.byVoice[{enrolled.corpus, trial.kind, enrolled.source.voice}].Add(
                    error);
                if (split && vectors[trial.test] && trial.kind == TrialKind::kWrongPhrase) {
                    measurement.wrongPhraseAlone[enrolled.corpus].Add(
                        Accepted(*vectors[enrolment.recording],
                                 OnePart(*vectors[enrolment.recording], *vectors[trial.test],
                                         readsPhrase, true)));
                }
                if (split && vectors[trial.test]) {
                    auto& misses = measurement.misses[{enrolled.corpus, trial.kind}];
                    ++misses.trials;
                    misses.voice +=
                        partMisses(*vectors[enrolment.recording], *vectors[trial.test], false);
                    misses.phrase +=
                        partMisses(*vectors[enrolment.recording], *vectors[trial.test], true);
                }
            }
        }
    }
    for (const auto& [attempt, decisions] : levels) {
        const auto full = decisions.find("level-0");
        if (full == decisions.end()) {
            continue;
        }
        const std::string& corpus = recordings[plan.members[std::get<0>(attempt)]].corpus;
        for (const auto& [change, accepted] : decisions) {
            if (change != "level-0") {
                measurement.levelDisagreement[{corpus, change}].Add(accepted != full->second);
            }
        }
    }
    return measurement;
}

}  // namespace fitting
