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
// Usage:
//   speech_generalisation_bench [--folds N] [--jobs N] CORPUS_DIR...
//
//   CORPUS_DIR   corpus folders as speech_model_vector_fit takes them (manifest.tsv and,
//                when there, changes.tsv)
//   --folds N    folds by voice (default 5)
//   --jobs N     threads for the features (default: the number of cores)
//   --trade-off  also the clean rates of the same folds at other gains: how far the goals are
//                from each other
// scripts/run-generalisation.sh makes the corpora and runs this and the DTW baseline.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "corpus_statistics.h"
#include "model_fit.h"

namespace {

using accuracy::TrialKind;
using fitting::Measurement;
using fitting::Rate;

constexpr const char* kUsage =
    "usage: speech_generalisation_bench [--folds N] [--jobs N] [--trade-off] CORPUS_DIR...\n";

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

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> corpora;
    std::size_t folds = 5;
    bool showTradeOff = false;
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
        } else if (argument == "--trade-off") {
            showTradeOff = true;
        } else if (argument == "--jobs" && hasValue) {
            jobs = std::atoi(argv[++i]);
            if (jobs < 1) {
                Usage("--jobs needs a positive number");
            }
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
        const std::vector<fitting::Recording> recordings = fitting::LoadCorpora(corpora, jobs);
        std::vector<std::size_t> all(recordings.size());
        for (std::size_t i = 0; i < all.size(); ++i) {
            all[i] = i;
        }
        const auto byFold = fitting::FoldsByVoice(recordings, all, folds);
        Measurement pooled;
        std::vector<Measurement> tradeOff(showTradeOff ? kTradeOffGains : 0);
        const fitting::FitOptions options;
        for (std::size_t f = 0; f < byFold.size(); ++f) {
            std::vector<std::size_t> training;
            for (std::size_t g = 0; g < byFold.size(); ++g) {
                if (g != f) {
                    training.insert(training.end(), byFold[g].begin(), byFold[g].end());
                }
            }
            std::fprintf(stderr, "fold %zu of %zu: fitting on %zu recordings\n", f + 1,
                         byFold.size(), training.size());
            auto parameters = fitting::FitModelVector(recordings, training, options, stderr);
            pooled.Merge(fitting::Measure(recordings, byFold[f], parameters));
            for (std::size_t g = 0; g < tradeOff.size(); ++g) {
                parameters.gain = TradeOffGain(g);
                tradeOff[g].Merge(fitting::Measure(recordings, byFold[f], parameters));
            }
        }

        std::set<std::string> corpusNames;
        std::vector<std::string> changes{accuracy::kClean};
        for (const fitting::Recording& recording : recordings) {
            corpusNames.insert(recording.corpus);
            if (std::find(changes.begin(), changes.end(), recording.source.change) ==
                changes.end()) {
                changes.push_back(recording.source.change);
            }
        }
        std::printf(
            "Verification on voices no choice saw: %zu folds by voice, each fitted on\n"
            "the other folds' voices; the demo's enrolment; rates in percent of trials\n",
            byFold.size());
        for (const std::string& corpus : corpusNames) {
            PrintCorpus(corpus, pooled, changes);
        }
        if (showTradeOff) {
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
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("\nWall time %.0f s\n", seconds);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "speech_generalisation_bench: %s\n", error.what());
        return 1;
    }
}
