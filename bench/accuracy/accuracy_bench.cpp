// speech_accuracy_bench: measures how well libkelvo tells speakers and phrases apart on a
// corpus of recordings, through TrainSpeaker and EvalSpeaker exactly as the demo uses them.
//
// Usage:
//   speech_accuracy_bench [--manifest PATH]... [--sessions N] [--voices N]
//                         [--max-impostors N] [--jobs N] [--write-trials PATH]
//
//   --manifest PATH    a corpus manifest (default /tmp/kelvo-voice-corpus/manifest.tsv, as
//                      scripts/make-voice-corpus.sh writes it): voice, phrase, session, path
//                      and optionally the change; given several times, e.g. a corpus's
//                      manifest.tsv and the changes.tsv of scripts/add-session-changes.sh,
//                      their recordings are merged
//   --sessions N       use only sessions 1 to N of each voice and phrase (quick run)
//   --voices N         use only the first N voices of the manifest (quick run)
//   --max-impostors N  at most N impostor attempts per enrolment, spread over the voices
//                      (default 0: all)
//   --jobs N           worker processes (default: the number of cores)
//   --write-trials PATH  also writes the trials run as a list for `kelvo eval`: lines
//                      "enrol<TAB>test<TAB>label" with absolute paths, label target,
//                      impostor, wrong-phrase or near-phrase
//
// Every clean recording (as made, not changed) is enrolled once, as the demo enrols: a fresh
// "kelvo.cfg", the recording copied to 1.raw and 2.raw, TrainSpeaker("Demo", 1) and
// TrainSpeaker("Demo", 2). Then each attempt is copied to 3.raw and scored with
// EvalSpeaker("Demo", 3); a score above 0 is an acceptance. The attempts against an enrolment,
// clean or changed, are
//   genuine:      the same voice and phrase, other sessions      -> false-reject rate (FRR)
//   impostor:     every other voice, the same phrase             -> false-accept rate (FAR)
//   wrong phrase: the same voice, phrases without a shared word  -> wrong-phrase acc. (WPA)
//   near phrase:  the same voice, phrases sharing a word         -> near-phrase acc. (NPA)
// The report gives the counts and rates overall, per change of the attempt, per enrolled voice
// and phrase, and the acceptances per (enrolled, spoken) phrase pair, then the wall time. The
// work happens in a fresh temporary folder that is removed at the end. Exit status: 0 after a
// report, 1 on an error, 2 on a usage error.
#include <kelvo/kelvo.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "corpus.h"
#include "corpus_options.h"
#include "runner.h"
#include "trials.h"

namespace {

using namespace accuracy;

using Options = CorpusOptions;

constexpr const char* kUsage =
    "usage: speech_accuracy_bench [--manifest PATH]... [--sessions N] [--voices N]\n"
    "                             [--max-impostors N] [--jobs N] [--write-trials PATH]\n";

[[noreturn]] void Usage(const char* problem) {
    std::fprintf(stderr, "speech_accuracy_bench: %s\n%s", problem, kUsage);
    std::exit(2);
}

Options ParseOptions(int argc, char** argv, std::filesystem::path& trialList) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "-h" || option == "--help") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        }
        if (i + 1 >= argc) {
            Usage("missing value or unknown option");
        }
        if (option == "--write-trials") {
            trialList = argv[++i];
        } else if (!TakeCorpusOption(option, argv[++i], options, Usage)) {
            Usage("unknown option");
        }
    }
    return options;
}

// A fresh folder under the system's temporary folder, removed with everything in it.
class TemporaryFolder {
  public:
    TemporaryFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kelvo-accuracy-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a temporary folder");
        }
        path_ = pattern;
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

const char* TrainResultName(int result) {
    switch (result) {
        case KELVO_TRAIN_BAD_NAME:
            return "bad name";
        case KELVO_TRAIN_NO_MODEL_VECTOR:
            return "no model vector";
        case KELVO_TRAIN_PROFILE_NOT_WRITTEN:
            return "profile not written";
        default:
            return "unknown result";
    }
}

// The planned trials as a trial list of `kelvo eval`, with absolute paths.
void WriteTrialList(const std::filesystem::path& path, const std::vector<Recording>& recordings,
                    const std::vector<Enrolment>& enrolments) {
    static const std::map<TrialKind, const char*> kLabels = {
        {TrialKind::kGenuine, "target"},
        {TrialKind::kImpostor, "impostor"},
        {TrialKind::kWrongPhrase, "wrong-phrase"},
        {TrialKind::kNearPhrase, "near-phrase"}};
    std::ofstream out(path);
    out << "enrol\ttest\tlabel\n";
    for (const Enrolment& enrolment : enrolments) {
        const std::string enrolled =
            std::filesystem::absolute(recordings[enrolment.recording].path).string();
        for (const Trial& trial : enrolment.trials) {
            out << enrolled << '\t'
                << std::filesystem::absolute(recordings[trial.test].path).string() << '\t'
                << kLabels.at(trial.kind) << '\n';
        }
    }
    if (!out.flush()) {
        throw std::runtime_error("cannot write the trial list " + path.string());
    }
}

const Count& Find(const std::map<std::pair<std::string, TrialKind>, Count>& counts,
                  const std::string& key, TrialKind kind) {
    static const Count kNone;
    const auto found = counts.find({key, kind});
    return found == counts.end() ? kNone : found->second;
}

void PrintKindRow(const char* name, const char* rate, const Count& count, bool rejectIsError) {
    const double percent = rejectIsError ? count.RejectedPercent() : count.AcceptedPercent();
    std::printf("  %-13s %8zu %9zu %9zu   %-3s %7.2f %%", name, count.trials, count.accepted,
                count.Rejected(), rate, percent);
    if (count.accepted > 0) {
        std::printf("   %6.2f\n", count.MeanAcceptedScore());
    } else {
        std::printf("        -\n");
    }
}

// One row per voice, phrase or change: the four kinds' trial counts and error rates.
void PrintBreakdown(const char* title, const std::vector<std::string>& keys,
                    const std::map<std::pair<std::string, TrialKind>, Count>& counts) {
    std::printf("\n%-21s %9s %9s %9s %9s %9s %9s %9s %9s\n", title, "genuine", "FRR", "impostor",
                "FAR", "wrong ph.", "WPA", "near ph.", "NPA");
    for (const std::string& key : keys) {
        const Count& genuine = Find(counts, key, TrialKind::kGenuine);
        const Count& impostor = Find(counts, key, TrialKind::kImpostor);
        const Count& wrong = Find(counts, key, TrialKind::kWrongPhrase);
        const Count& near = Find(counts, key, TrialKind::kNearPhrase);
        std::printf("  %-19s %9zu %7.2f %% %9zu %7.2f %% %9zu %7.2f %% %9zu %7.2f %%\n",
                    key.c_str(), genuine.trials, genuine.RejectedPercent(), impostor.trials,
                    impostor.AcceptedPercent(), wrong.trials, wrong.AcceptedPercent(), near.trials,
                    near.AcceptedPercent());
    }
}

// The changes of the attempted recordings besides the clean ones, when there are any.
void PrintChanges(const std::vector<std::string>& changes) {
    std::string listed;
    for (const std::string& change : changes) {
        if (change != kClean) {
            listed += (listed.empty() ? "" : " ") + change;
        }
    }
    if (!listed.empty()) {
        std::printf("  changes      %s\n", listed.c_str());
    }
}

void PrintReport(const Options& options, const std::vector<Recording>& recordings,
                 const Tally& tally) {
    const std::vector<std::string> voices = Voices(recordings);
    const std::vector<std::string> phrases = Phrases(recordings);
    std::printf("Speech accuracy bench\n");
    for (const std::filesystem::path& manifest : options.manifests) {
        std::printf("  manifest     %s\n", manifest.c_str());
    }
    const std::vector<std::string> changes = Changes(recordings);
    std::printf("  corpus       %zu recordings: %zu voices, %zu phrases\n", recordings.size(),
                voices.size(), phrases.size());
    PrintChanges(changes);
    std::printf("  enrolments   %zu, %zu failed to enrol (their %zu trials not run)\n",
                tally.enrolments, tally.failedEnrolments, tally.trialsSkipped);
    for (const auto& [result, count] : tally.failuresByResult) {
        std::printf("    TrainSpeaker returned %d (%s): %zu\n", result, TrainResultName(result),
                    count);
    }
    constexpr std::size_t kFailuresListed = 5;
    for (std::size_t i = 0; i < tally.failedRecordings.size() && i < kFailuresListed; ++i) {
        std::printf("    not enrolled: %s\n",
                    recordings[tally.failedRecordings[i]].path.string().c_str());
    }

    std::printf("\n%-15s %8s %9s %9s   %-13s %8s\n", "Attempts", "trials", "accepted", "rejected",
                "error rate", "mean score");
    const auto kind = [&](TrialKind k) {
        const auto found = tally.byKind.find(k);
        return found == tally.byKind.end() ? Count{} : found->second;
    };
    PrintKindRow("genuine", "FRR", kind(TrialKind::kGenuine), true);
    PrintKindRow("impostor", "FAR", kind(TrialKind::kImpostor), false);
    PrintKindRow("wrong phrase", "WPA", kind(TrialKind::kWrongPhrase), false);
    PrintKindRow("near phrase", "NPA", kind(TrialKind::kNearPhrase), false);
    std::printf(
        "  (FRR: genuine attempts rejected; FAR: impostor attempts accepted; WPA: attempts\n"
        "   with a phrase sharing no word accepted; NPA: with another phrase sharing a word;\n"
        "   mean score: of the accepted attempts)\n");

    std::printf(
        "\nAnother phrase accepted, enrolled phrase -> spoken phrase (near: a word shared)\n");
    for (const auto& [pair, count] : tally.otherPhrasePairs) {
        std::printf("  %-21s -> %-21s %-5s %7zu trials %6zu accepted %7.2f %%\n",
                    pair.first.c_str(), pair.second.c_str(),
                    ShareWord(pair.first, pair.second) ? "near" : "", count.trials, count.accepted,
                    count.AcceptedPercent());
    }

    if (changes.size() > 1 || (changes.size() == 1 && changes.front() != kClean)) {
        PrintBreakdown("By attempt's change", changes, tally.byChange);
    }
    PrintBreakdown("By voice", voices, tally.byVoice);
    PrintBreakdown("By phrase", phrases, tally.byPhrase);
}

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path trialList;
    const Options options = ParseOptions(argc, argv, trialList);
    try {
        const auto start = std::chrono::steady_clock::now();
        const std::vector<Recording> recordings = ReadCorpus(options);
        if (recordings.empty()) {
            std::fprintf(stderr, "speech_accuracy_bench: no recordings to use\n");
            return 1;
        }
        const std::vector<Enrolment> enrolments = PlanTrials(recordings, options.maxImpostors);
        if (!trialList.empty()) {
            WriteTrialList(trialList, recordings, enrolments);
        }
        std::size_t planned = 0;
        for (const Enrolment& enrolment : enrolments) {
            planned += 2 + enrolment.trials.size();
        }
        std::fprintf(stderr, "%zu recordings, %zu enrolments, %zu pipeline runs on %d workers\n",
                     recordings.size(), enrolments.size(), planned, options.jobs);

        const TemporaryFolder work;
        const std::vector<EnrolmentOutcome> outcomes =
            RunTrials(recordings, enrolments, options.jobs, work.Path());
        const Tally tally = TallyOutcomes(recordings, enrolments, outcomes);
        PrintReport(options, recordings, tally);

        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        // Two TrainSpeaker calls per enrolment, one EvalSpeaker call per trial that ran.
        const std::size_t runs = planned - tally.trialsSkipped;
        std::printf(
            "\nWall time %.1f s: %zu pipeline runs on %d workers, %.1f ms per run and "
            "worker\n",
            seconds, runs, options.jobs,
            1000.0 * seconds * options.jobs / static_cast<double>(runs));
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "speech_accuracy_bench: %s\n", error.what());
        return 1;
    }
}
