// speech_model_vector_fit: fits the model vector's parameters on voice corpora and writes them
// as the speech library's table (speech/src/model/model_vector_table.cpp).
//
// Usage (FIT OPTIONS: --voice-outputs N, --phrase-outputs N, --phrase-readings N, --weighted,
// --phrase-alone;
// see TakeFitOption in model_fit.h; the defaults are the shipped settings):
//   speech_model_vector_fit [--hold-out VOICE]... [--fit-only DIR]... [FIT OPTIONS] [--jobs N]
//                           [--output FILE] CORPUS_DIR...
//
//   CORPUS_DIR     a corpus folder with manifest.tsv (scripts/make-real-corpus.sh,
//                  scripts/make-voice-corpus.sh) and, when there, changes.tsv
//                  (scripts/add-session-changes.sh): the changed recordings teach the fit
//                  what a session change does to a voice
//   --hold-out V   leaves voice V out of the fit (the voices of the committed test recordings)
//   --fit-only DIR a corpus fitted on but left out of choosing the weight and the gain
//                  (speed-changed copies of voices)
//   --jobs N       threads for the features (default: the number of cores)
//   --output FILE  where the table goes (default: standard output)
//
// The projections are fitted on every voice not held out; the phrase weight and the gain are
// chosen by cross-validation over those voices (see model_fit.h).
// scripts/fit-model-vector.sh makes the corpora and reruns this with the shipped settings.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "corpus_statistics.h"
#include "model_fit.h"
#include "table_writer.h"

namespace {

constexpr const char* kUsage =
    "usage: speech_model_vector_fit [--hold-out VOICE]... [--fit-only DIR]... [--jobs N]\n"
    "                               [--output FILE] CORPUS_DIR...\n";

[[noreturn]] void Usage(const char* problem) {
    std::fprintf(stderr, "speech_model_vector_fit: %s\n%s", problem, kUsage);
    std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> corpora;
    fitting::FitOptions fitOptions;
    std::vector<std::filesystem::path> fitOnly;
    std::set<std::string> heldOut;
    std::string output;
    int jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "-h" || argument == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (argument == "--hold-out" && hasValue) {
            heldOut.insert(argv[++i]);
        } else if (argument == "--fit-only" && hasValue) {
            fitOnly.emplace_back(argv[++i]);
        } else if (argument == "--jobs" && hasValue) {
            jobs = std::atoi(argv[++i]);
            if (jobs < 1) {
                Usage("--jobs needs a positive number");
            }
        } else if (argument == "--output" && hasValue) {
            output = argv[++i];
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
        const std::vector<fitting::Recording> recordings =
            fitting::LoadCorpora(corpora, jobs, fitOnly);
        std::vector<std::size_t> training;
        std::set<std::string> voices;
        for (std::size_t i = 0; i < recordings.size(); ++i) {
            if (!heldOut.count(fitting::PersonOf(recordings[i].source.voice))) {
                training.push_back(i);
                voices.insert(recordings[i].source.voice);
            }
        }
        std::fprintf(stderr, "fitting on %zu recordings of %zu voices\n", training.size(),
                     voices.size());
        const fitting::FitOptions& options = fitOptions;
        const speech::ModelVectorParameters parameters =
            fitting::FitModelVector(recordings, training, options, stderr);

        std::ostringstream provenance;
        provenance << "Fitted on " << training.size() << " recordings of " << voices.size()
                   << " voices from the corpora";
        for (const auto& corpus : corpora) {
            provenance << " " << corpus.filename().string();
        }
        for (const auto& corpus : fitOnly) {
            provenance << " " << corpus.filename().string();
        }
        provenance << "\n(scripts/fit-model-vector.sh)";
        if (!heldOut.empty()) {
            provenance << ",\nholding out the voices";
            for (const std::string& voice : heldOut) {
                provenance << " " << voice;
            }
        }
        provenance << ".\n";
        const std::string table = fitting::FormatParameterTable(parameters, provenance.str());
        if (output.empty()) {
            std::fputs(table.c_str(), stdout);
        } else {
            std::ofstream(output) << table;
        }
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "speech_model_vector_fit: %s\n", error.what());
        return 1;
    }
}
