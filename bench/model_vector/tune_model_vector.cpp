// Searches layouts of the model vector on voice corpora. Each recording's features are
// computed once. The candidates are the segment means of every static feature over every
// segment of splits into 1 to 6 segments. A training corpus gives each candidate its center
// (the mean over all recordings), its spread (the standard deviation between sessions of the
// same voice and phrase) and its Fisher ratio (the variance between voices saying the same
// phrase over the spread squared). Layouts of 45 candidates (the plain segment-major one, the
// best by Fisher ratio, and the best by Fisher ratio that are not strongly correlated with one
// already chosen) are then scored on a test corpus for every speech range, level and gain:
// every recording is enrolled the way the demo does it (one recording as both enrolments) and
// every other one is verified with kelvo's own comparison. The same phrase by the same voice
// must be accepted (false rejects), the same phrase by other voices rejected (false accepts),
// other phrases by the same voice rejected (wrong phrase). Prints the best settings and the
// C++ table of the best layout.
//
//   speech_model_vector_tuning TRAIN_MANIFEST.tsv TEST_MANIFEST.tsv
//   (corpora made by scripts/make-voice-corpus.sh with different seeds)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "front_end.h"
#include "kelvo/core/scoring.h"
#include "model_vector.h"
#include "recording.h"
#include "speech/speech.h"

namespace {

struct Recording {
    std::string voice;
    std::string phrase;
    speech::FeatureMatrix features;
};

std::vector<Recording> LoadCorpus(const std::string& manifest) {
    const std::filesystem::path base = std::filesystem::path(manifest).parent_path();
    std::ifstream in(manifest);
    std::string line;
    std::getline(in, line);  // column names
    std::vector<Recording> recordings;
    std::vector<double> samples;
    const speech::FrontEndOptions options;
    speech::FrontEnd frontEnd(options);
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        Recording recording;
        std::string session;
        std::string path;
        std::getline(fields, recording.voice, '\t');
        std::getline(fields, recording.phrase, '\t');
        std::getline(fields, session, '\t');
        std::getline(fields, path, '\t');
        if (speech::ReadRecording((base / path).string(), options.sampleRate, samples) !=
            SPEECH_OK) {
            std::fprintf(stderr, "cannot read %s\n", path.c_str());
            continue;
        }
        recording.features = frontEnd.Compute(samples);
        recordings.push_back(std::move(recording));
    }
    return recordings;
}

constexpr std::size_t kStatics = 15;
const speech::FrameLayout kFrames = speech::FrameLayout::ForFeatures(45);

using Means = std::vector<std::optional<std::vector<double>>>;

Means AllSegmentMeans(const std::vector<Recording>& recordings,
                      const speech::ModelVectorLayout& layout) {
    Means means;
    for (const Recording& recording : recordings) {
        means.push_back(speech::SegmentMeans({recording.features}, kFrames, layout));
    }
    return means;
}

struct CandidateStats {
    std::vector<double> center, spread, fisher;
    std::vector<double> groupFisher;  // between all voice-and-phrase groups, over the spread
};

// Per candidate: mean, pooled within-group standard deviation, Fisher ratio.
CandidateStats Statistics(const std::vector<Recording>& recordings, const Means& means,
                          std::size_t size) {
    std::map<std::string, std::vector<std::size_t>> groups;  // voice and phrase
    for (std::size_t r = 0; r < recordings.size(); ++r) {
        if (means[r]) {
            groups[recordings[r].phrase + "\t" + recordings[r].voice].push_back(r);
        }
    }
    CandidateStats stats;
    stats.center.assign(size, 0.0);
    stats.spread.assign(size, 0.0);
    stats.fisher.assign(size, 0.0);
    stats.groupFisher.assign(size, 0.0);
    for (std::size_t i = 0; i < size; ++i) {
        double total = 0.0, within = 0.0;
        std::size_t count = 0, freedom = 0;
        std::map<std::string, std::vector<double>> voiceMeansByPhrase;
        for (const auto& [key, members] : groups) {
            double mean = 0.0;
            for (std::size_t r : members) {
                mean += (*means[r])[i];
            }
            total += mean;
            count += members.size();
            mean /= static_cast<double>(members.size());
            for (std::size_t r : members) {
                within += ((*means[r])[i] - mean) * ((*means[r])[i] - mean);
            }
            freedom += members.size() - 1;
            voiceMeansByPhrase[key.substr(0, key.find('\t'))].push_back(mean);
        }
        double groupBetween = 0.0;
        const double grand = total / static_cast<double>(count);
        for (const auto& [phrase, voiceMeans] : voiceMeansByPhrase) {
            for (double v : voiceMeans) {
                groupBetween += (v - grand) * (v - grand);
            }
        }
        double between = 0.0;
        std::size_t betweenFreedom = 0;
        for (const auto& [phrase, voiceMeans] : voiceMeansByPhrase) {
            const double mean = std::accumulate(voiceMeans.begin(), voiceMeans.end(), 0.0) /
                                static_cast<double>(voiceMeans.size());
            for (double v : voiceMeans) {
                between += (v - mean) * (v - mean);
            }
            betweenFreedom += voiceMeans.size() - 1;
        }
        stats.center[i] = total / static_cast<double>(count);
        const double withinVariance = std::max(1e-6, within / static_cast<double>(freedom));
        stats.spread[i] = std::sqrt(withinVariance);
        stats.fisher[i] = between / static_cast<double>(betweenFreedom) / withinVariance;
        stats.groupFisher[i] =
            groupBetween / static_cast<double>(groups.size() - 1) / withinVariance;
    }
    return stats;
}

struct Rates {
    double falseReject = 0, falseAccept = 0, wrongPhrase = 0;
    double Worst() const { return std::max({falseReject, falseAccept, wrongPhrase}); }
};

Rates Evaluate(const std::vector<Recording>& recordings, const Means& means,
               const speech::ModelVectorLayout& layout) {
    std::vector<std::optional<kelvo::ModelVector>> vectors;
    for (const auto& mean : means) {
        if (!mean || mean->size() != kelvo::kFeatureCount) {
            vectors.emplace_back();
            continue;
        }
        const std::vector<double> mapped = speech::MapSegmentMeans(*mean, layout);
        kelvo::ModelVector fixed;
        std::copy(mapped.begin(), mapped.end(), fixed.begin());
        vectors.emplace_back(fixed);
    }
    double genuine = 0, impostor = 0, wrong = 0, rejects = 0, accepts = 0, wrongAccepts = 0;
    for (std::size_t e = 0; e < recordings.size(); ++e) {
        for (std::size_t t = 0; t < recordings.size(); ++t) {
            const bool sameVoice = recordings[t].voice == recordings[e].voice;
            const bool samePhrase = recordings[t].phrase == recordings[e].phrase;
            if (t == e || (!sameVoice && !samePhrase)) {
                continue;
            }
            const bool accepted =
                vectors[e] && vectors[t] &&
                kelvo::CompareVectors(*vectors[e], *vectors[e], *vectors[t], kelvo::kPassThreshold)
                    .accepted;
            if (sameVoice && samePhrase) {
                ++genuine;
                rejects += accepted ? 0 : 1;
            } else if (samePhrase) {
                ++impostor;
                accepts += accepted ? 1 : 0;
            } else {
                ++wrong;
                wrongAccepts += accepted ? 1 : 0;
            }
        }
    }
    return {100 * rejects / genuine, 100 * accepts / impostor, 100 * wrongAccepts / wrong};
}

// Pearson correlation of two candidates over the recordings.
double Correlation(const Means& means, std::size_t a, std::size_t b) {
    double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0, n = 0;
    for (const auto& mean : means) {
        if (!mean) {
            continue;
        }
        const double x = (*mean)[a], y = (*mean)[b];
        sa += x, sb += y, saa += x * x, sbb += y * y, sab += x * y, n += 1;
    }
    const double cov = sab / n - sa / n * sb / n;
    return cov / std::sqrt((saa / n - sa / n * sa / n) * (sbb / n - sb / n * sb / n) + 1e-12);
}

std::vector<std::size_t> SelectByFisher(const std::vector<double>& fisher, const Means& means,
                                        double maxCorrelation) {
    std::vector<std::size_t> order(fisher.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return fisher[a] > fisher[b]; });
    std::vector<std::size_t> chosen;
    for (std::size_t candidate : order) {
        const bool redundant = std::any_of(chosen.begin(), chosen.end(), [&](std::size_t other) {
            return std::abs(Correlation(means, candidate, other)) > maxCorrelation;
        });
        if (!redundant) {
            chosen.push_back(candidate);
        }
        if (chosen.size() == kelvo::kFeatureCount) {
            break;
        }
    }
    return chosen;
}

struct Candidate {
    std::string name;
    speech::ModelVectorLayout layout;
    Rates rates;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s TRAIN_MANIFEST.tsv TEST_MANIFEST.tsv\n", argv[0]);
        return 2;
    }
    const std::vector<Recording> train = LoadCorpus(argv[1]);
    const std::vector<Recording> test = LoadCorpus(argv[2]);
    std::printf("%zu training and %zu test recordings\n", train.size(), test.size());

    speech::ModelVectorLayout pool;
    for (std::size_t segments = 1; segments <= 6; ++segments) {
        for (std::size_t segment = 0; segment < segments; ++segment) {
            for (std::size_t feature = 0; feature < kStatics; ++feature) {
                pool.picks.push_back({segments, segment, feature});
            }
        }
    }
    std::vector<Candidate> results;
    for (double range : {11.0, 12.0, 13.0, 15.0}) {
        pool.speechRangeDb = range;
        const Means trainMeans = AllSegmentMeans(train, pool);
        const Means testMeans = AllSegmentMeans(test, pool);
        const CandidateStats stats = Statistics(train, trainMeans, pool.picks.size());
        std::vector<std::pair<std::string, std::vector<std::size_t>>> selections;
        std::vector<std::size_t> uniform;
        for (std::size_t i = 3 * kStatics; i < 6 * kStatics; ++i) {  // the 3-segment split
            uniform.push_back(i);
        }
        selections.emplace_back("3 x 15", uniform);
        selections.emplace_back("voice r<0.9", SelectByFisher(stats.fisher, trainMeans, 0.9));
        selections.emplace_back("voice r<0.8", SelectByFisher(stats.fisher, trainMeans, 0.8));
        selections.emplace_back("group r<0.9", SelectByFisher(stats.groupFisher, trainMeans, 0.9));
        selections.emplace_back("group r<0.8", SelectByFisher(stats.groupFisher, trainMeans, 0.8));
        for (const auto& [name, chosen] : selections) {
            if (chosen.size() != kelvo::kFeatureCount) {
                continue;
            }
            speech::ModelVectorLayout layout;
            layout.speechRangeDb = range;
            Means selectedMeans;
            for (std::size_t i : chosen) {
                layout.picks.push_back(pool.picks[i]);
                layout.center.push_back(stats.center[i]);
                layout.spread.push_back(stats.spread[i]);
            }
            for (const auto& mean : testMeans) {
                if (!mean) {
                    selectedMeans.emplace_back();
                    continue;
                }
                std::vector<double> selected;
                for (std::size_t i : chosen) {
                    selected.push_back((*mean)[i]);
                }
                selectedMeans.emplace_back(std::move(selected));
            }
            for (double level : {30.0, 40.0, 50.0, 60.0}) {
                for (double gain = 1.0; gain < 4.01; gain += 0.05) {
                    layout.level = level;
                    layout.gain = gain;
                    results.push_back({name, layout, Evaluate(test, selectedMeans, layout)});
                }
            }
        }
    }
    std::sort(results.begin(), results.end(), [](const Candidate& a, const Candidate& b) {
        return a.rates.Worst() < b.rates.Worst();
    });
    std::printf("%-14s %6s %6s %6s %7s %7s %7s\n", "layout", "range", "level", "gain", "FRR %",
                "FAR %", "wrong %");
    for (std::size_t i = 0; i < std::min<std::size_t>(30, results.size()); ++i) {
        const auto& [name, layout, rates] = results[i];
        std::printf("%-14s %6.0f %6.0f %6.2f %7.2f %7.2f %7.2f\n", name.c_str(),
                    layout.speechRangeDb, layout.level, layout.gain, rates.falseReject,
                    rates.falseAccept, rates.wrongPhrase);
    }
    const speech::ModelVectorLayout& best = results.front().layout;
    std::printf("// speech range %.1f dB, level %.1f, gain %.2f\n", best.speechRangeDb, best.level,
                best.gain);
    std::printf("// {segments, segment, feature, center, spread}\n");
    for (std::size_t i = 0; i < best.picks.size(); ++i) {
        std::printf("    {%zu, %zu, %zu, %.4f, %.4f},\n", best.picks[i].segments,
                    best.picks[i].segment, best.picks[i].feature, best.center[i], best.spread[i]);
    }
    return 0;
}
