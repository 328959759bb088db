#include "model_fit.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
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

// Rows of whole random orthonormal bases of a space of `dims` dimensions, one after another.
std::vector<double> ReadingDirections(std::size_t dims, unsigned seed) {
    std::mt19937_64 random(seed);
    std::normal_distribution<double> normal;
    std::vector<double> directions;
    const auto size = static_cast<Eigen::Index>(dims);
    while (directions.size() < speech::kModelVectorSize * dims) {
        Eigen::MatrixXd gaussian(size, size);
        for (Eigen::Index i = 0; i < size; ++i) {
            for (Eigen::Index j = 0; j < size; ++j) {
                gaussian(i, j) = normal(random);
            }
        }
        const Eigen::MatrixXd basis =
            Eigen::HouseholderQR<Eigen::MatrixXd>(gaussian).householderQ();
        for (Eigen::Index i = 0; i < size && directions.size() < speech::kModelVectorSize * dims;
             ++i) {
            for (Eigen::Index j = 0; j < size; ++j) {
                directions.push_back(basis(i, j));
            }
        }
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
    // Classes are (voice, phrase); voices and phrases numbered in order of appearance.
    std::map<std::string, std::size_t> voiceIds;
    std::map<std::string, std::size_t> phraseIds;
    std::map<std::pair<std::size_t, std::size_t>, std::size_t> classIds;
    std::vector<std::size_t> classOf;
    std::vector<std::size_t> voiceOfClass;
    std::vector<std::size_t> phraseOfClass;
    std::vector<const std::vector<double>*> voiceSamples;
    std::vector<const std::vector<double>*> phraseSamples;
    for (const std::size_t i : voiced) {
        const Recording& recording = recordings[i];
        const std::size_t v =
            voiceIds.try_emplace(recording.source.voice, voiceIds.size()).first->second;
        const std::string phraseKey = recording.corpus + "/" + recording.source.phrase;
        const std::size_t p = phraseIds.try_emplace(phraseKey, phraseIds.size()).first->second;
        const auto [found, added] = classIds.try_emplace({v, p}, classIds.size());
        if (added) {
            voiceOfClass.push_back(v);
            phraseOfClass.push_back(p);
        }
        classOf.push_back(found->second);
        voiceSamples.push_back(&recording.statistics.voice);
        phraseSamples.push_back(&recording.statistics.phrase);
    }
    speech::ModelVectorParameters parameters;
    // The voice: speakers compared with others saying the same phrase.
    parameters.voice = FitDiscriminant(voiceSamples, classOf, phraseOfClass, options.voice);
    // The phrase: one speaker's phrases compared with each other.
    parameters.phrase = FitDiscriminant(phraseSamples, classOf, voiceOfClass, options.phrase);
    parameters.directions =
        ReadingDirections(parameters.voice.outputs + parameters.phrase.outputs, options.seed);
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

// The enrolments and trials among a subset of the recordings, with indices into the whole.
struct Plan {
    std::vector<std::size_t> members;  // subset index -> recording index
    std::vector<accuracy::Enrolment> enrolments;
};

Plan PlanAmong(const std::vector<Recording>& recordings, const std::vector<std::size_t>& among) {
    Plan plan;
    plan.members = among;
    std::vector<accuracy::Recording> sources;
    for (const std::size_t i : among) {
        sources.push_back(recordings[i].source);
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
               const std::vector<double>& gains, GridCounts& counts) {
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
                    if (!test.source.Clean() || trial.kind == TrialKind::kNearPhrase) {
                        continue;
                    }
                    const bool accepted =
                        !coordinates[trial.test].empty() &&
                        Accepted(vectors[enrolment.recording], vectors[trial.test]);
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

std::vector<std::vector<std::size_t>> FoldsByVoice(const std::vector<Recording>& recordings,
                                                   const std::vector<std::size_t>& among,
                                                   std::size_t folds) {
    std::map<std::string, std::size_t> foldOfVoice;
    std::map<std::string, std::size_t> voicesOfCorpus;
    for (const std::size_t i : among) {
        const Recording& recording = recordings[i];
        if (!foldOfVoice.count(recording.source.voice)) {
            foldOfVoice[recording.source.voice] = voicesOfCorpus[recording.corpus]++ % folds;
        }
    }
    std::vector<std::vector<std::size_t>> result(folds);
    for (const std::size_t i : among) {
        result[foldOfVoice[recordings[i].source.voice]].push_back(i);
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
        CountGrid(recordings, PlanAmong(recordings, folds[f]), inner, weights, gains, counts);
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

void Measurement::Merge(const Measurement& other) {
    for (const auto& [key, value] : other.enrolments) {
        enrolments[key] += value;
    }
    for (const auto& [key, value] : other.failedEnrolments) {
        failedEnrolments[key] += value;
    }
    for (auto* target : {&byChange, &byVoice}) {
        const auto& source = target == &byChange ? other.byChange : other.byVoice;
        for (const auto& [key, rate] : source) {
            (*target)[key].trials += rate.trials;
            (*target)[key].errors += rate.errors;
        }
    }
    for (const auto& [key, rate] : other.levelDisagreement) {
        levelDisagreement[key].trials += rate.trials;
        levelDisagreement[key].errors += rate.errors;
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
