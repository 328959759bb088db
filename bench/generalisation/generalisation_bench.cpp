// speech_generalisation_bench: how verification holds on voices that no choice saw. The
// voices of the corpora are split into folds; for each fold, the model vector is fitted on the
// other folds' voices alone (projections, phrase weight and gain, as speech_model_vector_fit
// fits the shipped table) and measured on the fold's voices with the verifier's own
// comparison and the demo's enrolment (one clean recording enrolled as both vectors). The
// report pools the folds: per corpus, the false-reject rate (another session of the same
// voice and phrase), false-accept rate (another voice, same phrase), wrong-phrase rate (same
// voice, a phrase sharing no word) and near-phrase rate (sharing a word), on clean attempts;
// the same per session change of the attempt; and the worst voices.
//
// Usage (FIT OPTIONS: --voice-outputs N, --phrase-outputs N, --phrase-readings N, --weighted,
// --phrase-alone;
// see TakeFitOption in model_fit.h; the defaults are the shipped settings):
//   speech_generalisation_bench [--folds N] [--protocol folds|corpora|both] [--fit-only DIR]...
//                               [FIT OPTIONS] [--jobs N] [--trade-off] CORPUS_DIR...
//
//   CORPUS_DIR   corpus folders as speech_model_vector_fit takes them (manifest.tsv and,
//                when there, changes.tsv)
//   --folds N    folds by person (default 5)
//   --protocol   folds: k-fold by person; corpora: one fit per corpus left out, fitted on the
//                other corpora alone (without any person of the corpus left out; corpora
//                that share persons, such as two recipes of one set of speakers, are left
//                out together) and measured on it: a new language, microphone and recipe;
//                both (the default): the one, then the other, on statistics computed once
//   --fit-only DIR
//                a corpus that every fit uses (but for the persons being measured) and that
//                is never measured itself: speed-changed copies of voices
//   --jobs N     threads for the features (default: the number of cores)
//   --trade-off  also the clean rates of the same folds at other gains: how far the goals are
//                from each other
//   --takes N    also enrolments from N takes of the password (N consecutive clean sessions):
//                the rules for what to store compared, and how often a take is named as off
// scripts/run-generalisation.sh makes the corpora and runs this and the DTW baseline.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "corpus_statistics.h"
#include "model_fit.h"
#include "several_takes.h"

namespace {

using accuracy::TrialKind;
using fitting::Measurement;
using fitting::Rate;

constexpr const char* kUsage =
    "usage: speech_generalisation_bench [--folds N] [--protocol folds|corpora|both]\n"
    "                                   [--fit-only DIR]...\n"
    "                                   [FIT OPTIONS] [--jobs N] [--trade-off] [--takes N]\n"
    "                                   CORPUS_DIR...\n";

// --trade-off: the rates at gains from 900 to 2200 in steps of 10 %, where they change most.
constexpr std::size_t kTradeOffGains = 10;
double TradeOffGain(std::size_t step) {
    return 900.0 * std::pow(1.1, static_cast<double>(step));
}

[[noreturn]] void Usage(const char* problem) {
    std::fprintf(stderr, "speech_generalisation_bench: %s\n%s", problem, kUsage);
    std::exit(2);
}

std::string Cell(const Rate& rate) {
    char text[48];
    std::snprintf(text, sizeof text, "%6.2f %% (%zu/%zu)", rate.Percent(), rate.errors,
                  rate.trials);
    return text;
}

void PrintCorpus(const std::string& corpus, const Measurement& m,
                 const std::vector<std::string>& changes) {
    std::printf("\n%s: %zu enrolments, %zu without a voice found\n", corpus.c_str(),
                m.enrolments.count(corpus) ? m.enrolments.at(corpus) : 0,
                m.failedEnrolments.count(corpus) ? m.failedEnrolments.at(corpus) : 0);
    std::printf("  clean attempts  FRR %s  FAR %s\n",
                Cell(m.Clean(corpus, TrialKind::kGenuine)).c_str(),
                Cell(m.Clean(corpus, TrialKind::kImpostor)).c_str());
    std::printf("                  wrong phrase %s  near phrase %s\n",
                Cell(m.Clean(corpus, TrialKind::kWrongPhrase)).c_str(),
                Cell(m.Clean(corpus, TrialKind::kNearPhrase)).c_str());
    std::printf("  %-12s %8s %8s %12s %12s\n", "change", "FRR", "FAR", "wrong ph.", "near ph.");
    for (const std::string& change : changes) {
        const auto rate = [&](TrialKind kind) {
            const auto found = m.byChange.find({corpus, kind, change});
            return found == m.byChange.end() ? Rate{} : found->second;
        };
        if (rate(TrialKind::kGenuine).trials == 0) {
            continue;
        }
        std::printf("  %-12s %6.2f %% %6.2f %% %10.2f %% %10.2f %%\n", change.c_str(),
                    rate(TrialKind::kGenuine).Percent(), rate(TrialKind::kImpostor).Percent(),
                    rate(TrialKind::kWrongPhrase).Percent(),
                    rate(TrialKind::kNearPhrase).Percent());
    }
    if (const auto found = m.wrongPhraseAlone.find(corpus); found != m.wrongPhraseAlone.end()) {
        std::printf(
            "  wrong phrase by the phrase alone (the voice's numbers those of the "
            "enrolment): accepted %s\n",
            Cell(found->second).c_str());
    }
    if (const auto found = m.variants.find(corpus); found != m.variants.end()) {
        std::printf(
            "  another voice of the enrolled person (a synthesizer's variant), same "
            "phrase: accepted %s\n",
            Cell(found->second).c_str());
    }
    // Only where some positions read the phrase alone (--phrase-readings).
    const bool split = std::any_of(m.misses.begin(), m.misses.end(),
                                   [&](const auto& entry) { return entry.first.first == corpus; });
    if (split) {
        std::printf("  mean misses at the voice's / the phrase's positions, clean attempts:");
    }
    for (const auto& [key, misses] : m.misses) {
        if (key.first == corpus && misses.trials > 0) {
            const double n = static_cast<double>(misses.trials);
            std::printf(" %s %.1f / %.1f;",
                        key.second == TrialKind::kGenuine       ? "genuine"
                        : key.second == TrialKind::kImpostor    ? "impostor"
                        : key.second == TrialKind::kWrongPhrase ? "wrong phrase"
                                                                : "near phrase",
                        misses.voice / n, misses.phrase / n);
        }
    }
    if (split) {
        std::printf("\n");
    }
    std::printf("  decisions that change with the level, against the same attempt at full level:");
    for (const auto& [key, rate] : m.levelDisagreement) {
        if (key.first == corpus) {
            std::printf(" %s %.2f %%", key.second.c_str(), rate.Percent());
        }
    }
    std::printf("\n");
    // The voices with the most errors, clean attempts.
    for (const TrialKind kind : {TrialKind::kGenuine, TrialKind::kImpostor}) {
        std::vector<std::pair<double, std::string>> worst;
        for (const auto& [key, rate] : m.byVoice) {
            if (std::get<0>(key) == corpus && std::get<1>(key) == kind) {
                worst.emplace_back(rate.Percent(), std::get<2>(key));
            }
        }
        std::sort(worst.rbegin(), worst.rend());
        std::printf("  worst voices by %s:", kind == TrialKind::kGenuine ? "FRR" : "FAR");
        for (std::size_t i = 0; i < worst.size() && i < 5; ++i) {
            std::printf(" %s %.1f %%%s", worst[i].second.c_str(), worst[i].first,
                        i + 1 < std::min<std::size_t>(5, worst.size()) ? "," : "");
        }
        std::printf("\n");
    }
}

// Per corpus, one row per rule of what to store from several takes.
void PrintSeveralTakes(const std::set<std::string>& corpora, const fitting::TakesMeasurement& m,
                       std::size_t takes) {
    using fitting::AttemptGroup;
    std::printf("\nEnrolment from %zu takes (consecutive clean sessions), rates in percent:\n",
                takes);
    for (const std::string& corpus : corpora) {
        const auto named = m.outlierOnCleanTakes.find(corpus);
        if (named == m.outlierOnCleanTakes.end()) {
            continue;
        }
        const auto missed = m.wrongTakeMissed.find(corpus);
        std::printf(
            "\n%s: a take named as off among clean takes %s; a last take of another\n"
            "  phrase not named %s\n",
            corpus.c_str(), Cell(named->second).c_str(),
            missed == m.wrongTakeMissed.end() ? "-" : Cell(missed->second).c_str());
        std::printf("  %-18s %8s %8s %8s %8s   %s\n", "stored", "FRR", "FRR chg", "FAR", "WPA",
                    "FRR with a wrong last take");
        for (const fitting::StoreRule rule : fitting::kStoreRules) {
            const auto rate = [&](AttemptGroup group) {
                const auto found = m.rates.find({corpus, rule, group});
                return found == m.rates.end() ? 0.0 : found->second.Percent();
            };
            const auto wrong = m.withWrongTake.find({corpus, rule});
            std::printf("  %-18s %6.2f %% %6.2f %% %6.2f %% %6.2f %%   %6.2f %%\n",
                        fitting::StoreRuleName(rule), rate(AttemptGroup::kGenuineClean),
                        rate(AttemptGroup::kGenuineChanged), rate(AttemptGroup::kImpostor),
                        rate(AttemptGroup::kWrongPhrase),
                        wrong == m.withWrongTake.end() ? 0.0 : wrong->second.Percent());
        }
        // Pairs of takes with more than N misses: where a limit for naming a take lies.
        const auto above = [](const std::vector<std::size_t>& histogram, std::size_t limit) {
            std::size_t total = 0;
            std::size_t over = 0;
            for (std::size_t i = 0; i < histogram.size(); ++i) {
                total += histogram[i];
                over += i > limit ? histogram[i] : 0;
            }
            return total == 0 ? 0.0
                              : 100.0 * static_cast<double>(over) / static_cast<double>(total);
        };
        const auto genuine = m.genuinePairMisses.find(corpus);
        const auto wrongPairs = m.wrongPairMisses.find(corpus);
        if (genuine != m.genuinePairMisses.end() && wrongPairs != m.wrongPairMisses.end()) {
            std::printf("  pairs of takes over N misses, same password / another:");
            for (const std::size_t limit : {10u, 15u, 20u, 25u, 30u}) {
                std::printf("  %zu: %.1f / %.1f %%", limit, above(genuine->second, limit),
                            above(wrongPairs->second, limit));
            }
            std::printf("\n");
        }
        const auto genuineMean = m.genuineAgainstOthers.find(corpus);
        const auto wrongMean = m.wrongAgainstOthers.find(corpus);
        if (genuineMean != m.genuineAgainstOthers.end() &&
            wrongMean != m.wrongAgainstOthers.end()) {
            std::printf("  a take against the others' mean over N misses, same / another:");
            for (const std::size_t limit : {10u, 12u, 15u, 18u, 20u}) {
                std::printf("  %zu: %.1f / %.1f %%", limit, above(genuineMean->second, limit),
                            above(wrongMean->second, limit));
            }
            std::printf("\n");
        }
    }
}

// One line per corpus: the clean rates and the worst level's FRR, next to the goals.
void PrintSummary(const std::set<std::string>& corpora, const Measurement& m) {
    std::printf("\n  %-14s %8s %8s %12s %12s %16s\n", "corpus", "FRR", "FAR", "wrong ph.",
                "near ph.", "worst level FRR");
    for (const std::string& corpus : corpora) {
        double worstLevel = 0.0;
        std::string worstName = "-";
        for (const auto& [key, rate] : m.byChange) {
            if (std::get<0>(key) == corpus && std::get<1>(key) == TrialKind::kGenuine &&
                std::get<2>(key).starts_with("level-") && rate.Percent() >= worstLevel) {
                worstLevel = rate.Percent();
                worstName = std::get<2>(key);
            }
        }
        const auto shown = [&](TrialKind kind) {
            const Rate rate = m.Clean(corpus, kind);
            char text[16];
            if (rate.trials == 0) {
                std::snprintf(text, sizeof text, "-");
            } else {
                std::snprintf(text, sizeof text, "%.2f %%", rate.Percent());
            }
            return std::string(text);
        };
        std::printf("  %-14s %8s %8s %12s %12s %8.2f %% %-8s\n", corpus.c_str(),
                    shown(TrialKind::kGenuine).c_str(), shown(TrialKind::kImpostor).c_str(),
                    shown(TrialKind::kWrongPhrase).c_str(), shown(TrialKind::kNearPhrase).c_str(),
                    worstLevel, worstName.c_str());
    }
    std::printf("  %-14s %8s %8s %12s %12s %16s\n", "goal", "10 %", "2 %", "5 %", "30 %", "15 %");
}

// Groups of corpora that share a person, each group as the indices of its recordings.
std::vector<std::pair<std::string, std::vector<std::size_t>>> CorpusGroups(
    const std::vector<fitting::Recording>& recordings) {
    std::map<std::string, std::string> groupOf;  // corpus -> its group's first corpus
    std::map<std::string, std::string> corpusOfPerson;
    const auto root = [&](std::string corpus) {
        while (groupOf[corpus] != corpus) {
            corpus = groupOf[corpus];
        }
        return corpus;
    };
    for (const fitting::Recording& recording : recordings) {
        if (recording.fitOnly) {
            continue;
        }
        groupOf.try_emplace(recording.corpus, recording.corpus);
        const std::string person = fitting::PersonOf(recording.source.voice);
        const auto [found, added] = corpusOfPerson.try_emplace(person, recording.corpus);
        if (!added) {
            const std::string a = root(found->second);
            const std::string b = root(recording.corpus);
            if (a != b) {
                groupOf[std::max(a, b)] = std::min(a, b);
            }
        }
    }
    std::map<std::string, std::vector<std::size_t>> members;
    std::map<std::string, std::set<std::string>> names;
    for (std::size_t i = 0; i < recordings.size(); ++i) {
        if (!recordings[i].fitOnly) {
            const std::string group = root(recordings[i].corpus);
            members[group].push_back(i);
            names[group].insert(recordings[i].corpus);
        }
    }
    std::vector<std::pair<std::string, std::vector<std::size_t>>> groups;
    for (auto& [group, indices] : members) {
        std::string label;
        for (const std::string& name : names[group]) {
            label += (label.empty() ? "" : "+") + name;
        }
        groups.emplace_back(label, std::move(indices));
    }
    return groups;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> corpora;
    fitting::FitOptions fitOptions;
    std::vector<std::filesystem::path> fitOnly;
    std::size_t folds = 5;
    std::vector<bool> protocols{false, true};  // whether each run leaves corpora out
    bool showTradeOff = false;
    std::size_t takes = 0;
    int jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "-h" || argument == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (argument == "--folds" && hasValue) {
            const int value = std::atoi(argv[++i]);
            if (value < 2) {
                Usage("--folds needs a number of at least 2");
            }
            folds = static_cast<std::size_t>(value);
        } else if (argument == "--protocol" && hasValue) {
            const std::string_view value = argv[++i];
            if (value == "folds") {
                protocols = {false};
            } else if (value == "corpora") {
                protocols = {true};
            } else if (value != "both") {
                Usage("--protocol takes folds, corpora or both");
            }
        } else if (argument == "--fit-only" && hasValue) {
            fitOnly.emplace_back(argv[++i]);
        } else if (argument == "--trade-off") {
            showTradeOff = true;
        } else if (argument == "--takes" && hasValue) {
            const int value = std::atoi(argv[++i]);
            if (value < 2) {
                Usage("--takes needs a number of at least 2");
            }
            takes = static_cast<std::size_t>(value);
        } else if (argument == "--jobs" && hasValue) {
            jobs = std::atoi(argv[++i]);
            if (jobs < 1) {
                Usage("--jobs needs a positive number");
            }
        } else if (bool tookValue = false; fitting::TakeFitOption(
                       argument, hasValue ? argv[i + 1] : nullptr, fitOptions, tookValue)) {
            i += tookValue ? 1 : 0;
        } else if (argument.starts_with("-")) {
            Usage("unknown option or missing value");
        } else {
            corpora.emplace_back(argument);
        }
    }
    if (corpora.empty()) {
        Usage("no corpus given");
    }
    try {
        const auto start = std::chrono::steady_clock::now();
        const std::vector<fitting::Recording> recordings =
            fitting::LoadCorpora(corpora, jobs, fitOnly);
        std::vector<std::size_t> all(recordings.size());
        for (std::size_t i = 0; i < all.size(); ++i) {
            all[i] = i;
        }
        for (const bool leaveCorpusOut : protocols) {
            // What each fit measures: folds by person, or the groups of corpora.
            std::vector<std::pair<std::string, std::vector<std::size_t>>> measured;
            if (leaveCorpusOut) {
                measured = CorpusGroups(recordings);
            } else {
                const auto byFold = fitting::FoldsByVoice(recordings, all, folds);
                for (std::size_t f = 0; f < byFold.size(); ++f) {
                    measured.emplace_back("fold " + std::to_string(f + 1), byFold[f]);
                }
            }
            Measurement pooled;
            fitting::TakesMeasurement pooledTakes;
            std::vector<Measurement> tradeOff(showTradeOff && !leaveCorpusOut ? kTradeOffGains : 0);
            const fitting::FitOptions& options = fitOptions;
            for (const auto& [label, testing] : measured) {
                // Fitted on every recording of a person not measured here.
                std::set<std::string> persons;
                for (const std::size_t i : testing) {
                    persons.insert(fitting::PersonOf(recordings[i].source.voice));
                }
                std::set<std::string> corporaMeasured;
                for (const std::size_t i : testing) {
                    corporaMeasured.insert(recordings[i].corpus);
                }
                std::vector<std::size_t> training;
                for (std::size_t i = 0; i < recordings.size(); ++i) {
                    if (!persons.count(fitting::PersonOf(recordings[i].source.voice)) &&
                        !(leaveCorpusOut && corporaMeasured.count(recordings[i].corpus))) {
                        training.push_back(i);
                    }
                }
                std::fprintf(stderr, "%s: fitting on %zu recordings\n", label.c_str(),
                             training.size());
                auto parameters = fitting::FitModelVector(recordings, training, options, stderr);
                const Measurement measurement = fitting::Measure(recordings, testing, parameters);
                pooled.Merge(measurement);
                if (takes > 0) {
                    pooledTakes.Merge(
                        fitting::MeasureSeveralTakes(recordings, testing, parameters, takes));
                }
                for (std::size_t g = 0; g < tradeOff.size(); ++g) {
                    parameters.gain = TradeOffGain(g);
                    tradeOff[g].Merge(fitting::Measure(recordings, testing, parameters));
                }
            }

            std::set<std::string> corpusNames;
            std::vector<std::string> changes{accuracy::kClean};
            for (const fitting::Recording& recording : recordings) {
                if (recording.fitOnly) {
                    continue;
                }
                corpusNames.insert(recording.corpus);
                if (std::find(changes.begin(), changes.end(), recording.source.change) ==
                    changes.end()) {
                    changes.push_back(recording.source.change);
                }
            }
            if (leaveCorpusOut) {
                std::printf(
                    "Verification on corpora no fit saw: each corpus (with those sharing its\n"
                    "persons) measured with a fit on the other corpora alone; the demo's\n"
                    "enrolment; rates in percent of trials\n");
            } else {
                std::printf(
                    "Verification on voices no choice saw: %zu folds by person, each fitted on\n"
                    "the other folds' voices; the demo's enrolment; rates in percent of trials\n",
                    measured.size());
            }
            PrintSummary(corpusNames, pooled);
            for (const std::string& corpus : corpusNames) {
                PrintCorpus(corpus, pooled, changes);
            }
            if (takes > 0) {
                PrintSeveralTakes(corpusNames, pooledTakes, takes);
            }
            if (!tradeOff.empty()) {
                std::printf(
                    "\nThe same folds at other gains (each fold's own phrase weight), clean "
                    "attempts:\n");
                for (std::size_t g = 0; g < tradeOff.size(); ++g) {
                    std::printf("  gain %6.0f", TradeOffGain(g));
                    for (const std::string& corpus : corpusNames) {
                        std::printf("  %s FRR %5.1f FAR %5.1f WPA %5.1f", corpus.c_str(),
                                    tradeOff[g].Clean(corpus, TrialKind::kGenuine).Percent(),
                                    tradeOff[g].Clean(corpus, TrialKind::kImpostor).Percent(),
                                    tradeOff[g].Clean(corpus, TrialKind::kWrongPhrase).Percent());
                    }
                    std::printf("\n");
                }
            }
            std::printf("\n");
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("\nWall time %.0f s\n", seconds);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "speech_generalisation_bench: %s\n", error.what());
        return 1;
    }
}
