// speech_dtw_baseline: a classic template matcher on the accuracy bench's trials, to put
// kelvo's figures next to a well-understood reference. Every recording is one template; an
// attempt is compared with the enrolled recording by dynamic time warping and the warped
// distance is the score (lower = more alike).
//
// Usage:
//   speech_dtw_baseline [--manifest PATH]... [--sessions N] [--voices N] [--max-impostors N]
//                       [--jobs N] [--band PERCENT] [--features cep|cep+delta|all]
//                       [--range DB] [--frames speech|span] [--normalise on|off]
//
//   --manifest PATH   a corpus manifest (default /tmp/kelvo-voice-corpus/manifest.tsv, as
//                     scripts/make-voice-corpus.sh writes it): voice, phrase, session, path
//                     and optionally the change; given several times (a corpus's
//                     manifest.tsv and its changes.tsv) their recordings are merged
//   --sessions N      use only sessions 1 to N of each voice and phrase (quick run)
//   --voices N        use only the first N voices of the manifest (quick run)
//   --max-impostors N at most N impostor trials per enrolment, spread over the voices
//                     (default 0: all)
//   --jobs N          threads (default: the number of cores)
//   --band PERCENT    Sakoe-Chiba band half-width around the length-scaled diagonal, in
//                     percent of the longer recording's frames; 0 = no band (default).
//                     A band saves time but forces wrong alignments where the words of two
//                     recordings do not fall in step: keep it wide (20 or more)
//   --features SET    the values compared per frame: cep = c1..c14, cep+delta = c1..c14 and
//                     their deltas (default), all = all 45 values
//   --range DB        a speech frame lies at most this many dB below the loudest frame
//                     (default 25; with --frames speech, less than 6 acts as 6)
//   --frames CHOICE   speech = the speech frames alone, wherever they are (default); span =
//                     every frame from the first to the last within --range of the loudest
//                     (only leading and trailing pauses cut, by the speech pipeline's rule)
//   --normalise on|off  mean and variance normalisation per recording (default on)
//
// Features: the speech library's front end with its default settings (cepstral mean already
// subtracted per recording over all frames), computed once per recording in memory. Only the
// speech frames are compared, pauses inside the phrase as well as before and after it: the
// passwords are words with pauses between them, and the pauses hold the room and the
// recording chain rather than the voice. A frame is speech when its normalised log energy is
// above a threshold that adapts to the recording: at most 25 dB (--range) below the loudest
// frame, and at least 6 dB above the noise floor (the 10th percentile of the frames'
// energies), but never closer than 6 dB to the loudest, so that a recording with a high
// floor still keeps its louder frames. Then each compared value gets zero mean and unit
// variance over the kept frames of its recording: the front end's mean is taken over all
// frames, so it moves with the length and the noise of the pauses, and the variance scaling
// lets every dimension weigh alike in the distance. On the real-voice corpus either step
// alone leaves the equal error rates far above what both give together; on the synthetic
// voices, though, the variance scaling raises the impostor equal error rate.
//
// Distance: Euclidean between frames; steps (1,0), (0,1) weight 1 and (1,1) weight 2, so that
// every path weighs n + m and the total divided by n + m is a weighted mean frame distance.
// Distances are symmetric, so each pair of recordings is aligned once and serves both trials;
// only the pairs that trials need are aligned. --frames span --normalise off compares the
// frames as the speech pipeline trims them, leading and trailing pauses cut and the others
// kept: on the real voices a much weaker matcher.
//
// Trials are the accuracy bench's: each clean recording enrolled, against it every other
// recording, clean or changed, of the same voice and phrase (genuine), of the same phrase by
// other voices (impostor) and of the same voice saying other phrases (wrong phrase when no word
// is shared, near phrase when one is). Since there is no fixed threshold, the report gives the
// equal error rate of genuine against impostor trials, the threshold it falls at (accept when
// distance <= threshold), FRR and FAR there and the wrong- and near-phrase acceptance there;
// then the same with wrong-phrase and with near-phrase trials as the ones to reject. When
// there are changed recordings, the same follows for the clean attempts alone, and a table of
// the rates for each change at the clean attempts' genuine-vs-impostor threshold. Then come
// the equal error rates per enrolled phrase, and last one summary line: the corpus and the
// clean attempts' equal error rates against impostors, wrong and near phrases. Exit status: 0
// after a report, 1 on an error, 2 on a usage error.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <limits>
#include <mutex>
#include <numbers>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "corpus.h"
#include "corpus_options.h"
#include "front_end.h"
#include "recording.h"
#include "speech/speech.h"
#include "speech_frames.h"
#include "trials.h"

namespace {

using accuracy::Enrolment;
using accuracy::Recording;
using accuracy::Trial;
using accuracy::TrialKind;

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Which frames are speech: those whose log energy is above a threshold at most
// kSpeechRangeDb below the loudest frame's, at least kAboveNoiseFloorDb above the noise floor
// (the kNoiseFloorQuantile quantile of the frames' energies) and at least kBelowLoudestDb
// below the loudest. The first number is --range.
constexpr double kSpeechRangeDb = 25.0;
constexpr double kAboveNoiseFloorDb = 6.0;
constexpr double kBelowLoudestDb = 6.0;
constexpr double kNoiseFloorQuantile = 0.10;

enum class FeatureSet { kCepstra, kCepstraDeltas, kAll };

enum class FrameChoice {
    kSpeech,  // the speech frames alone
    kSpan,    // from the first frame within the range of the loudest to the last
};

struct Options : accuracy::CorpusOptions {
    double bandPercent = 0.0;
    FeatureSet features = FeatureSet::kCepstraDeltas;
    double rangeDb = kSpeechRangeDb;
    FrameChoice frames = FrameChoice::kSpeech;
    bool normalise = true;
};

constexpr const char* kUsage =
    "usage: speech_dtw_baseline [--manifest PATH]... [--sessions N] [--voices N]\n"
    "                           [--max-impostors N] [--jobs N] [--band PERCENT]\n"
    "                           [--features cep|cep+delta|all] [--range DB]\n"
    "                           [--frames speech|span] [--normalise on|off]\n";

[[noreturn]] void Usage(const char* problem) {
    std::fprintf(stderr, "speech_dtw_baseline: %s\n%s", problem, kUsage);
    std::exit(2);
}

double NumberInRange(const char* text, double low, double high) {
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(value >= low && value <= high)) {
        Usage("number missing or out of range");
    }
    return value;
}

Options ParseOptions(int argc, char** argv) {
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
        const char* value = argv[++i];
        if (accuracy::TakeCorpusOption(option, value, options, Usage)) {
            continue;
        }
        if (option == "--band") {
            options.bandPercent = NumberInRange(value, 0.0, 100.0);
        } else if (option == "--range") {
            options.rangeDb = NumberInRange(value, 1.0, 200.0);
        } else if (option == "--frames") {
            const std::string_view choice = value;
            if (choice == "speech") {
                options.frames = FrameChoice::kSpeech;
            } else if (choice == "span") {
                options.frames = FrameChoice::kSpan;
            } else {
                Usage("--frames takes speech or span");
            }
        } else if (option == "--normalise") {
            const std::string_view choice = value;
            if (choice != "on" && choice != "off") {
                Usage("--normalise takes on or off");
            }
            options.normalise = choice == "on";
        } else if (option == "--features") {
            const std::string_view set = value;
            if (set == "cep") {
                options.features = FeatureSet::kCepstra;
            } else if (set == "cep+delta") {
                options.features = FeatureSet::kCepstraDeltas;
            } else if (set == "all") {
                options.features = FeatureSet::kAll;
            } else {
                Usage("--features takes cep, cep+delta or all");
            }
        } else {
            Usage("unknown option");
        }
    }
    return options;
}

const char* FeatureSetName(FeatureSet set) {
    switch (set) {
        case FeatureSet::kCepstra:
            return "c1..c14";
        case FeatureSet::kCepstraDeltas:
            return "c1..c14 and their deltas";
        case FeatureSet::kAll:
            return "all 45 values (cepstra, energy, deltas, accelerations)";
    }
    return "?";
}

// Runs body on `jobs` threads at once and waits for all of them. The first exception any of
// them throws is thrown again here once all have stopped.
void RunThreads(std::size_t jobs, const std::function<void()>& body) {
    std::exception_ptr failure;
    std::mutex failureMutex;
    std::vector<std::jthread> threads;
    threads.reserve(jobs);
    for (std::size_t j = 0; j < jobs; ++j) {
        threads.emplace_back([&] {
            try {
                body();
            } catch (...) {
                const std::lock_guard lock(failureMutex);
                if (!failure) {
                    failure = std::current_exception();
                }
            }
        });
    }
    threads.clear();  // joins
    if (failure) {
        std::rethrow_exception(failure);
    }
}

// The frames a template is made of: `frames` rows of `dims` values.
struct Template {
    std::size_t frames = 0;
    std::size_t dims = 0;
    std::size_t allFrames = 0;  // before the pauses were left out
    std::vector<float> values;

    std::span<const float> Row(std::size_t frame) const {
        return {values.data() + frame * dims, dims};
    }
};

// The columns of the front end's rows that the comparison uses.
std::vector<std::size_t> SelectedColumns(FeatureSet set, std::size_t featureDims) {
    const std::size_t statics = featureDims / 3;  // cepstra and energy
    const std::size_t cepstra = statics - 1;
    std::vector<std::size_t> columns;
    if (set == FeatureSet::kAll) {
        for (std::size_t c = 0; c < featureDims; ++c) {
            columns.push_back(c);
        }
        return columns;
    }
    for (std::size_t c = 0; c < cepstra; ++c) {
        columns.push_back(c);
    }
    if (set == FeatureSet::kCepstraDeltas) {
        for (std::size_t c = 0; c < cepstra; ++c) {
            columns.push_back(statics + c);
        }
    }
    return columns;
}

// A level difference in dB as a difference of the front end's natural-log energies.
double DbToLogEnergy(double db) {
    return db * std::numbers::ln10 / 10.0;
}

// The speech frames by the rule of kSpeechRangeDb and the constants after it, with rangeDb in
// place of kSpeechRangeDb, in time order.
std::vector<std::size_t> AdaptiveSpeechFrames(const speech::FeatureMatrix& features,
                                              std::size_t energyIndex, double rangeDb) {
    std::vector<std::size_t> frames;
    if (features.frames == 0) {
        return frames;
    }
    std::vector<float> energies(features.frames);
    for (std::size_t frame = 0; frame < features.frames; ++frame) {
        energies[frame] = features.At(frame, energyIndex);
    }
    const double loudest = *std::max_element(energies.begin(), energies.end());
    const auto floorIndex =
        static_cast<std::ptrdiff_t>(kNoiseFloorQuantile * static_cast<double>(features.frames - 1));
    std::vector<float> sorted = energies;
    std::nth_element(sorted.begin(), sorted.begin() + floorIndex, sorted.end());
    const double noiseFloor = sorted[static_cast<std::size_t>(floorIndex)];
    const double threshold = std::min(
        loudest - DbToLogEnergy(kBelowLoudestDb),
        std::max(loudest - DbToLogEnergy(rangeDb), noiseFloor + DbToLogEnergy(kAboveNoiseFloorDb)));
    for (std::size_t frame = 0; frame < features.frames; ++frame) {
        if (energies[frame] > threshold) {
            frames.push_back(frame);
        }
    }
    return frames;
}

// The frames that --frames chooses, in time order.
std::vector<std::size_t> KeptFrames(const speech::FeatureMatrix& features, const Options& options) {
    const speech::FrameLayout layout = speech::FrameLayout::ForFeatures(features.dims);
    if (options.frames == FrameChoice::kSpeech) {
        return AdaptiveSpeechFrames(features, layout.energyIndex, options.rangeDb);
    }
    const std::vector<std::size_t> speechFrames =
        speech::SpeechFrames(features, layout, options.rangeDb);
    std::vector<std::size_t> frames;
    if (!speechFrames.empty()) {
        for (std::size_t frame = speechFrames.front(); frame <= speechFrames.back(); ++frame) {
            frames.push_back(frame);
        }
    }
    return frames;
}

// Gives each dimension zero mean and unit variance over the template's frames (a dimension
// that does not vary is left at zero).
void NormaliseMeanAndVariance(Template& t) {
    for (std::size_t d = 0; d < t.dims; ++d) {
        double sum = 0.0;
        double squares = 0.0;
        for (std::size_t frame = 0; frame < t.frames; ++frame) {
            const double value = t.values[frame * t.dims + d];
            sum += value;
            squares += value * value;
        }
        const double frames = static_cast<double>(t.frames);
        const double mean = sum / frames;
        const double variance = std::max(squares / frames - mean * mean, 0.0);
        const double scale = variance > 0.0 ? 1.0 / std::sqrt(variance) : 0.0;
        for (std::size_t frame = 0; frame < t.frames; ++frame) {
            float& value = t.values[frame * t.dims + d];
            value = static_cast<float>((value - mean) * scale);
        }
    }
}

Template MakeTemplate(const speech::FeatureMatrix& features, const Options& options) {
    Template result;
    result.allFrames = features.frames;
    const std::vector<std::size_t> columns = SelectedColumns(options.features, features.dims);
    result.dims = columns.size();
    const std::vector<std::size_t> frames = KeptFrames(features, options);
    result.frames = frames.size();
    result.values.reserve(result.frames * result.dims);
    for (std::size_t frame : frames) {
        for (std::size_t column : columns) {
            result.values.push_back(features.At(frame, column));
        }
    }
    if (options.normalise && result.frames > 0) {
        NormaliseMeanAndVariance(result);
    }
    return result;
}

// Reads and analyses every recording, on `jobs` threads (one front end each).
std::vector<Template> MakeTemplates(const std::vector<Recording>& recordings,
                                    const Options& options, std::size_t jobs) {
    std::vector<Template> templates(recordings.size());
    std::atomic<std::size_t> next{0};
    RunThreads(jobs, [&] {
        const speech::FrontEndOptions frontEndOptions;
        speech::FrontEnd frontEnd(frontEndOptions);
        std::vector<double> samples;
        for (std::size_t r = next++; r < recordings.size(); r = next++) {
            const std::string path = recordings[r].path.string();
            if (speech::ReadRecording(path, frontEndOptions.sampleRate, samples) != SPEECH_OK) {
                throw std::runtime_error("cannot read the recording " + path);
            }
            templates[r] = MakeTemplate(frontEnd.Compute(samples), options);
        }
    });
    return templates;
}

// Dynamic time warping distance of a and b: the least weighted sum of frame distances over
// paths from the first frames to the last, divided by the weight of every path (n + m).
// With a band, cell (i, j) is allowed only within `half` frames of the straight line from
// (0, 0) to (n - 1, m - 1); the band is widened where needed so that a path always exists.
// Infinite when either template is empty.
class Aligner {
  public:
    double Distance(const Template& a, const Template& b, double bandPercent) {
        const std::size_t n = a.frames;
        const std::size_t m = b.frames;
        if (n == 0 || m == 0) {
            return kInfinity;
        }
        // Columns lo..hi of row i, around the line's column rounded. The rounded column moves
        // by at most ceil((m - 1) / (n - 1)) <= half per row, so each row's first cell can be
        // reached from the row before, and the last row holds the last column.
        const double slope = n > 1 ? static_cast<double>(m - 1) / static_cast<double>(n - 1) : 0.0;
        std::size_t half = m;
        if (bandPercent > 0.0 && n > 1) {
            const double wanted =
                std::ceil(bandPercent / 100.0 * static_cast<double>(std::max(n, m)));
            half = static_cast<std::size_t>(std::max(wanted, std::ceil(slope)));
        }
        const auto columnRange = [&](std::size_t i) {
            const auto center =
                static_cast<std::size_t>(std::lround(slope * static_cast<double>(i)));
            const std::size_t lo = center > half ? center - half : 0;
            const std::size_t hi = std::min(m - 1, center + half);
            return std::pair{lo, hi};
        };

        Transpose(b);
        // Path costs of the row before and of this one, shifted by one: cost[j] is column j
        // and cost[-1] a column no path reaches. Cells outside a row's band stay infinite, so
        // every step can be taken from them without checking the band.
        previous_.assign(m + 1, kInfinity);
        current_.assign(m + 1, kInfinity);
        for (std::size_t i = 0; i < n; ++i) {
            const auto [lo, hi] = columnRange(i);
            RowDistances(a.Row(i), m, lo, hi);
            std::fill(current_.begin(), current_.end(), kInfinity);
            double* const cost = current_.data() + 1;
            const double* const above = previous_.data() + 1;
            std::size_t j = lo;
            if (i == 0) {  // the first row's band starts at column 0, where every path starts
                cost[0] = 2.0 * rowDistances_[0];
                j = 1;
            }
            for (; j <= hi; ++j) {
                const double d = rowDistances_[j];
                cost[j] = std::min({cost[j - 1] + d,           // (0, 1) step
                                    above[j] + d,              // (1, 0) step
                                    above[j - 1] + 2.0 * d});  // (1, 1) step
            }
            std::swap(previous_, current_);
        }
        return previous_[m] / static_cast<double>(n + m);
    }

  private:
    // b's values dimension by dimension, so that a row of frame distances comes from loops
    // over b's frames that the compiler vectorises.
    void Transpose(const Template& b) {
        transposed_.resize(b.dims * b.frames);
        for (std::size_t j = 0; j < b.frames; ++j) {
            for (std::size_t d = 0; d < b.dims; ++d) {
                transposed_[d * b.frames + j] = b.values[j * b.dims + d];
            }
        }
    }

    // Euclidean distances of `row` to b's frames lo..hi (b has m frames) into rowDistances_.
    // The squares are summed in the order of the dimensions, as a frame-by-frame loop would.
    void RowDistances(std::span<const float> row, std::size_t m, std::size_t lo, std::size_t hi) {
        sums_.assign(m, 0.0f);
        rowDistances_.resize(m);
        float* const sums = sums_.data();
        const auto square = [](float difference) { return difference * difference; };
        std::size_t d = 0;
        for (; d + 4 <= row.size(); d += 4) {  // four dimensions per pass over the frames
            const float* const c0 = transposed_.data() + d * m;
            const float* const c1 = c0 + m;
            const float* const c2 = c1 + m;
            const float* const c3 = c2 + m;
            for (std::size_t j = lo; j <= hi; ++j) {
                float sum = sums[j];
                sum += square(row[d] - c0[j]);
                sum += square(row[d + 1] - c1[j]);
                sum += square(row[d + 2] - c2[j]);
                sum += square(row[d + 3] - c3[j]);
                sums[j] = sum;
            }
        }
        for (; d < row.size(); ++d) {
            const float* const column = transposed_.data() + d * m;
            for (std::size_t j = lo; j <= hi; ++j) {
                sums[j] += square(row[d] - column[j]);
            }
        }
        for (std::size_t j = lo; j <= hi; ++j) {
            rowDistances_[j] = std::sqrt(static_cast<double>(sums[j]));
        }
    }

    std::vector<double> previous_;
    std::vector<double> current_;
    std::vector<float> transposed_;
    std::vector<float> sums_;
    std::vector<double> rowDistances_;
};

// The trials as the accuracy bench plans them, with the distance of each.
struct ScoredTrial {
    std::size_t enrolled = 0;
    std::size_t test = 0;
    TrialKind kind = TrialKind::kGenuine;
    double distance = 0.0;
};

struct AlignmentWork {
    std::vector<ScoredTrial> trials;
    std::size_t pairs = 0;  // alignments computed
};

AlignmentWork ScoreTrials(const std::vector<Enrolment>& enrolments,
                          const std::vector<Template>& templates, const Options& options,
                          std::size_t jobs) {
    AlignmentWork work;
    const std::size_t count = templates.size();
    // Each unordered pair of recordings that a trial needs gets one slot, aligned with the
    // lower index first.
    const auto key = [count](std::size_t a, std::size_t b) {
        return std::min(a, b) * count + std::max(a, b);
    };
    std::unordered_map<std::size_t, std::size_t> slotOf;
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    for (const Enrolment& enrolment : enrolments) {
        for (const Trial& trial : enrolment.trials) {
            const auto [slot, added] =
                slotOf.try_emplace(key(enrolment.recording, trial.test), pairs.size());
            if (added) {
                pairs.emplace_back(std::min(enrolment.recording, trial.test),
                                   std::max(enrolment.recording, trial.test));
            }
            work.trials.push_back({enrolment.recording, trial.test, trial.kind, 0.0});
        }
    }
    work.pairs = pairs.size();

    std::vector<double> distances(pairs.size(), 0.0);
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> finished{0};
    const auto start = std::chrono::steady_clock::now();
    RunThreads(jobs, [&] {
        Aligner aligner;
        for (std::size_t p = next++; p < pairs.size(); p = next++) {
            distances[p] = aligner.Distance(templates[pairs[p].first], templates[pairs[p].second],
                                            options.bandPercent);
            // Progress on stderr at every tenth, from the thread that completes it.
            const std::size_t done = ++finished;
            if (done * 10 / pairs.size() != (done - 1) * 10 / pairs.size()) {
                const double seconds =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                std::fprintf(stderr, "  %3zu %% of %zu alignments, %.0f s\n",
                             done * 100 / pairs.size(), pairs.size(), seconds);
            }
        }
    });

    for (ScoredTrial& trial : work.trials) {
        trial.distance = distances[slotOf.at(key(trial.enrolled, trial.test))];
    }
    return work;
}

// Fraction of distances at or below the threshold, as a percentage (0 for none).
double AcceptedPercent(const std::vector<double>& sorted, double threshold) {
    if (sorted.empty()) {
        return 0.0;
    }
    const auto accepted =
        std::upper_bound(sorted.begin(), sorted.end(), threshold) - sorted.begin();
    return 100.0 * static_cast<double>(accepted) / static_cast<double>(sorted.size());
}

struct EqualError {
    bool valid = false;
    double threshold = 0.0;  // accept when distance <= threshold
    double frr = 0.0;        // percent of the genuine trials rejected
    double far = 0.0;        // percent of the other trials accepted
    double Rate() const { return (frr + far) / 2.0; }
};

// The threshold, among the observed distances (and "accept nothing"), where the rejected
// share of genuine trials and the accepted share of the others are closest. Both sets sorted.
EqualError FindEqualError(const std::vector<double>& genuine, const std::vector<double>& others) {
    EqualError best;
    if (genuine.empty() || others.empty()) {
        return best;
    }
    std::vector<double> candidates;
    candidates.reserve(genuine.size() + others.size() + 1);
    candidates.push_back(-kInfinity);
    candidates.insert(candidates.end(), genuine.begin(), genuine.end());
    candidates.insert(candidates.end(), others.begin(), others.end());
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    double bestGap = kInfinity;
    for (double threshold : candidates) {
        const double frr = 100.0 - AcceptedPercent(genuine, threshold);
        const double far = AcceptedPercent(others, threshold);
        const double gap = std::abs(frr - far);
        if (gap < bestGap) {
            bestGap = gap;
            best = {true, threshold, frr, far};
        }
    }
    return best;
}

struct Distances {
    std::vector<double> genuine, impostor, wrongPhrase, nearPhrase;

    void Add(const ScoredTrial& trial) {
        switch (trial.kind) {
            case TrialKind::kGenuine:
                genuine.push_back(trial.distance);
                break;
            case TrialKind::kImpostor:
                impostor.push_back(trial.distance);
                break;
            case TrialKind::kWrongPhrase:
                wrongPhrase.push_back(trial.distance);
                break;
            case TrialKind::kNearPhrase:
                nearPhrase.push_back(trial.distance);
                break;
        }
    }
    void Sort() {
        for (std::vector<double>* set : {&genuine, &impostor, &wrongPhrase, &nearPhrase}) {
            std::sort(set->begin(), set->end());
        }
    }
};

double Quantile(const std::vector<double>& sorted, double q) {
    if (sorted.empty()) {
        return 0.0;
    }
    const auto index = static_cast<std::size_t>(q * static_cast<double>(sorted.size() - 1));
    return sorted[index];
}

void PrintDistribution(const char* name, const std::vector<double>& sorted) {
    std::printf("  %-13s %7zu   %8.3f %8.3f %8.3f %8.3f %8.3f\n", name, sorted.size(),
                Quantile(sorted, 0.0), Quantile(sorted, 0.05), Quantile(sorted, 0.5),
                Quantile(sorted, 0.95), Quantile(sorted, 1.0));
}

// Genuine trials against impostors (wrong and near phrases accepted at that threshold), then
// against wrong phrases and against near phrases (impostors accepted at their threshold).
void PrintEqualErrors(const char* indent, const Distances& d) {
    const EqualError impostor = FindEqualError(d.genuine, d.impostor);
    if (impostor.valid) {
        std::printf(
            "%sgenuine vs impostor:     EER %6.2f %%  at distance <= %7.3f: FRR %6.2f %%  "
            "FAR %6.2f %%  wrong-phrase acc. %6.2f %%  near-phrase acc. %6.2f %%\n",
            indent, impostor.Rate(), impostor.threshold, impostor.frr, impostor.far,
            AcceptedPercent(d.wrongPhrase, impostor.threshold),
            AcceptedPercent(d.nearPhrase, impostor.threshold));
    }
    const auto phraseLine = [&](const char* name, const std::vector<double>& others,
                                const char* accepted) {
        const EqualError error = FindEqualError(d.genuine, others);
        if (error.valid) {
            std::printf(
                "%sgenuine vs %-13s EER %6.2f %%  at distance <= %7.3f: FRR %6.2f %%  "
                "%s %6.2f %%  FAR %6.2f %%\n",
                indent, name, error.Rate(), error.threshold, error.frr, accepted, error.far,
                AcceptedPercent(d.impostor, error.threshold));
        }
    };
    phraseLine("wrong phrase:", d.wrongPhrase, "wrong-phrase acc.");
    phraseLine("near phrase:", d.nearPhrase, "near-phrase acc. ");
}

// The rates of each change's attempts at one threshold.
void PrintChanges(const std::vector<std::string>& changes, const std::vector<Distances>& byChange,
                  double threshold) {
    std::printf("  %-12s %8s %8s %8s %8s %8s %8s %8s %8s\n", "change", "genuine", "FRR", "impostor",
                "FAR", "wrong", "WPA", "near", "NPA");
    for (std::size_t c = 0; c < changes.size(); ++c) {
        const Distances& d = byChange[c];
        std::printf("  %-12s %8zu %6.2f %% %8zu %6.2f %% %8zu %6.2f %% %8zu %6.2f %%\n",
                    changes[c].c_str(), d.genuine.size(),
                    d.genuine.empty() ? 0.0 : 100.0 - AcceptedPercent(d.genuine, threshold),
                    d.impostor.size(), AcceptedPercent(d.impostor, threshold), d.wrongPhrase.size(),
                    AcceptedPercent(d.wrongPhrase, threshold), d.nearPhrase.size(),
                    AcceptedPercent(d.nearPhrase, threshold));
    }
}

// The clean attempts' equal errors against each kind of trial to reject.
struct CleanEqualErrors {
    EqualError impostor, wrongPhrase, nearPhrase;
};

// Prints the report and gives the clean attempts' equal errors for the summary line.
CleanEqualErrors PrintReport(const Options& options, const std::vector<Recording>& recordings,
                             const std::vector<Template>& templates, const AlignmentWork& work) {
    const std::vector<std::string> phrases = accuracy::Phrases(recordings);
    const std::vector<std::string> changes = accuracy::Changes(recordings);
    std::printf("DTW baseline\n");
    for (const std::filesystem::path& manifest : options.manifests) {
        std::printf("  manifest     %s\n", manifest.c_str());
    }
    std::printf("  corpus       %zu recordings: %zu voices, %zu phrases\n", recordings.size(),
                accuracy::Voices(recordings).size(), phrases.size());
    if (changes.size() > 1) {
        std::printf("  versions     %zu of each recording: clean and changed\n", changes.size());
    }
    std::printf("  features     %s (%zu values per frame)%s, Euclidean frame distance\n",
                FeatureSetName(options.features), templates.empty() ? 0 : templates[0].dims,
                options.normalise ? ", mean and variance normalised per recording" : "");
    if (options.bandPercent > 0.0) {
        std::printf("  alignment    symmetric steps, / (n + m), band +-%.0f %% of the longer\n",
                    options.bandPercent);
    } else {
        std::printf("  alignment    symmetric steps, / (n + m), no band\n");
    }

    std::vector<std::size_t> kept;
    std::size_t empty = 0;
    std::size_t trimmed = 0;
    std::size_t total = 0;
    for (const Template& t : templates) {
        kept.push_back(t.frames);
        empty += t.frames == 0 ? 1 : 0;
        trimmed += t.frames;
        total += t.allFrames;
    }
    std::sort(kept.begin(), kept.end());
    if (!kept.empty()) {
        std::printf(
            "  frames       %zu..%zu kept per recording (median %zu), %.1f %% of all: ",
            kept.front(), kept.back(), kept[kept.size() / 2],
            total == 0 ? 0.0 : 100.0 * static_cast<double>(trimmed) / static_cast<double>(total));
        if (options.frames == FrameChoice::kSpeech) {
            std::printf(
                "speech, above min(peak - %.0f, max(peak - %.0f, floor + %.0f)) dB, floor = "
                "%.0fth percentile\n",
                kBelowLoudestDb, options.rangeDb, kAboveNoiseFloorDb, 100.0 * kNoiseFloorQuantile);
        } else {
            std::printf("first to last frame within %.0f dB of the loudest\n", options.rangeDb);
        }
    }
    if (empty > 0) {
        std::printf("  %zu recordings without frames: every trial with them is rejected\n", empty);
    }

    const auto indexOf = [](const std::vector<std::string>& values, const std::string& value) {
        return static_cast<std::size_t>(std::find(values.begin(), values.end(), value) -
                                        values.begin());
    };
    Distances all;
    std::vector<Distances> byPhrase(phrases.size());
    std::vector<Distances> byChange(changes.size());
    for (const ScoredTrial& trial : work.trials) {
        all.Add(trial);
        byPhrase[indexOf(phrases, recordings[trial.enrolled].phrase)].Add(trial);
        byChange[indexOf(changes, recordings[trial.test].change)].Add(trial);
    }
    all.Sort();
    for (std::vector<Distances>* group : {&byPhrase, &byChange}) {
        for (Distances& d : *group) {
            d.Sort();
        }
    }
    std::printf(
        "  trials       %zu: genuine %zu, impostor %zu, wrong phrase %zu, near phrase %zu (%zu "
        "alignments)\n",
        work.trials.size(), all.genuine.size(), all.impostor.size(), all.wrongPhrase.size(),
        all.nearPhrase.size(), work.pairs);

    std::printf("\nDistances      trials        min       5%%   median      95%%      max\n");
    PrintDistribution("genuine", all.genuine);
    PrintDistribution("impostor", all.impostor);
    PrintDistribution("wrong phrase", all.wrongPhrase);
    PrintDistribution("near phrase", all.nearPhrase);

    std::printf("\nAll trials, one threshold\n");
    PrintEqualErrors("  ", all);
    const std::size_t clean = indexOf(changes, accuracy::kClean);
    if (changes.size() > 1 && clean < changes.size()) {
        std::printf("\nClean attempts only, one threshold\n");
        PrintEqualErrors("  ", byChange[clean]);
        const EqualError cleanError =
            FindEqualError(byChange[clean].genuine, byChange[clean].impostor);
        if (cleanError.valid) {
            std::printf(
                "\nBy the attempt's change, at the clean attempts' genuine-vs-impostor threshold "
                "(distance <= %.3f)\n",
                cleanError.threshold);
            PrintChanges(changes, byChange, cleanError.threshold);
        }
    }
    std::printf("\nBy enrolled phrase, a threshold each\n");
    for (std::size_t p = 0; p < phrases.size(); ++p) {
        std::printf("  %s\n", phrases[p].c_str());
        PrintEqualErrors("    ", byPhrase[p]);
    }

    if (clean >= changes.size()) {
        return {};
    }
    const Distances& cleanAttempts = byChange[clean];
    return {FindEqualError(cleanAttempts.genuine, cleanAttempts.impostor),
            FindEqualError(cleanAttempts.genuine, cleanAttempts.wrongPhrase),
            FindEqualError(cleanAttempts.genuine, cleanAttempts.nearPhrase)};
}

// One line to set beside other corpora's and other verifiers': the folders of the manifests
// and the clean attempts' equal error rates.
void PrintSummary(const Options& options, const CleanEqualErrors& errors) {
    std::string corpus;
    std::vector<std::filesystem::path> folders;
    for (const std::filesystem::path& manifest : options.manifests) {
        const std::filesystem::path folder = manifest.parent_path();
        if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
            corpus += (folders.empty() ? "" : " + ") + folder.string();
            folders.push_back(folder);
        }
    }
    const auto rate = [](const EqualError& error) {
        if (!error.valid) {
            return std::string("n/a");
        }
        char text[32];
        std::snprintf(text, sizeof text, "%.2f %%", error.Rate());
        return std::string(text);
    };
    std::printf("\n%s: clean EER impostor %s, wrong phrase %s, near phrase %s\n",
                corpus.empty() ? "." : corpus.c_str(), rate(errors.impostor).c_str(),
                rate(errors.wrongPhrase).c_str(), rate(errors.nearPhrase).c_str());
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = ParseOptions(argc, argv);
    try {
        const auto start = std::chrono::steady_clock::now();
        const std::vector<Recording> recordings = accuracy::ReadCorpus(options);
        if (recordings.empty()) {
            std::fprintf(stderr, "speech_dtw_baseline: no recordings to use\n");
            return 1;
        }
        const auto jobs = static_cast<std::size_t>(options.jobs);
        const std::vector<Template> templates = MakeTemplates(recordings, options, jobs);
        const double featureSeconds = SecondsSince(start);

        const auto alignStart = std::chrono::steady_clock::now();
        const AlignmentWork work = ScoreTrials(
            accuracy::PlanTrials(recordings, options.maxImpostors), templates, options, jobs);
        const double alignSeconds = SecondsSince(alignStart);

        const CleanEqualErrors cleanErrors = PrintReport(options, recordings, templates, work);
        std::printf(
            "\nWall time %.1f s on %zu threads: features %.1f s, %zu alignments %.1f s "
            "(%.2f ms per alignment and thread)\n",
            SecondsSince(start), jobs, featureSeconds, work.pairs, alignSeconds,
            work.pairs == 0 ? 0.0
                            : 1000.0 * alignSeconds * static_cast<double>(jobs) /
                                  static_cast<double>(work.pairs));
        PrintSummary(options, cleanErrors);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "speech_dtw_baseline: %s\n", error.what());
        return 1;
    }
}
