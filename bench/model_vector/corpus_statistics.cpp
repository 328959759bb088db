#include "corpus_statistics.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

#include "front_end.h"
#include "recording.h"
#include "speech/speech.h"
#include "speech_frames.h"
#include "voice_check.h"

namespace fitting {
namespace {

const speech::FrameLayout kFrames = speech::FrameLayout::ForFeatures(45);

void ComputeStatistics(std::vector<Recording>& recordings, int jobs) {
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> done{0};
    const auto work = [&] {
        const speech::FrontEndOptions options;
        speech::FrontEnd frontEnd(options);
        std::vector<double> samples;
        for (std::size_t i = next++; i < recordings.size(); i = next++) {
            Recording& recording = recordings[i];
            if (speech::ReadRecording(recording.source.path.string(), options.sampleRate,
                                      samples) == SPEECH_OK) {
                const std::vector<speech::FeatureMatrix> files{frontEnd.Compute(samples)};
                if (speech::HasVoice(files, kFrames)) {
                    if (auto statistics = speech::ComputeUtteranceStatistics(files, kFrames)) {
                        recording.statistics = std::move(*statistics);
                        recording.voice = true;
                    }
                }
            }
            if (++done % 1000 == 0) {
                std::fprintf(stderr, "  statistics of %zu of %zu recordings\n", done.load(),
                             recordings.size());
            }
        }
    };
    std::vector<std::thread> threads;
    for (int j = 1; j < jobs; ++j) {
        threads.emplace_back(work);
    }
    work();
    for (std::thread& thread : threads) {
        thread.join();
    }
}

}  // namespace

std::vector<Recording> LoadCorpora(const std::vector<std::filesystem::path>& folders, int jobs) {
    std::vector<Recording> recordings;
    for (const std::filesystem::path& folder : folders) {
        std::vector<std::filesystem::path> manifests{folder / "manifest.tsv"};
        if (std::filesystem::exists(folder / "changes.tsv")) {
            manifests.push_back(folder / "changes.tsv");
        }
        std::filesystem::path name = std::filesystem::absolute(folder).lexically_normal();
        if (name.filename().empty()) {  // "dir/" ends in an empty name
            name = name.parent_path();
        }
        const std::string corpus = name.filename().string();
        for (accuracy::Recording& source : accuracy::ReadManifests(manifests)) {
            recordings.push_back({std::move(source), corpus, false, {}});
        }
    }
    ComputeStatistics(recordings, std::max(1, jobs));
    return recordings;
}

std::vector<std::string> VoicesOf(const std::vector<Recording>& recordings) {
    std::vector<std::string> voices;
    for (const Recording& recording : recordings) {
        if (std::find(voices.begin(), voices.end(), recording.source.voice) == voices.end()) {
            voices.push_back(recording.source.voice);
        }
    }
    return voices;
}

}  // namespace fitting
