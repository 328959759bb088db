#include "corpus_statistics.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string_view>
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

// What the cache is valid for: every recording's path, size and modification time.
std::uint64_t CacheKey(const std::vector<Recording>& recordings) {
    std::uint64_t key = 1469598103934665603ull;
    const auto mix = [&key](std::string_view text) {
        for (const char c : text) {
            key = (key ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        }
    };
    for (const Recording& recording : recordings) {
        std::error_code error;
        const auto size = std::filesystem::file_size(recording.source.path, error);
        const auto time = std::filesystem::last_write_time(recording.source.path, error);
        mix(recording.source.path.string());
        mix(std::to_string(size) + "/" + std::to_string(time.time_since_epoch().count()));
    }
    return key;
}

// Whether the statistics read from a cache are what this program computes: a few recordings
// spread over the list are computed again and must come out the same to the last bit, so a
// changed front end or statistics code never uses numbers of an older one.
bool SameAsComputed(const std::vector<Recording>& cached) {
    constexpr std::size_t kChecks = 8;
    std::vector<Recording> sample;
    for (std::size_t k = 0; k < kChecks && !cached.empty(); ++k) {
        sample.push_back(cached[k * (cached.size() - 1) / (kChecks - 1)]);
        sample.back().voice = false;
        sample.back().statistics = {};
    }
    ComputeStatistics(sample, 1);
    for (std::size_t k = 0; k < sample.size(); ++k) {
        const Recording& original = cached[k * (cached.size() - 1) / (kChecks - 1)];
        if (sample[k].voice != original.voice ||
            sample[k].statistics.phrase != original.statistics.phrase ||
            sample[k].statistics.voice != original.statistics.voice) {
            return false;
        }
    }
    return true;
}

void WriteVector(std::ofstream& out, const std::vector<double>& values) {
    const std::uint64_t size = values.size();
    out.write(reinterpret_cast<const char*>(&size), sizeof size);
    out.write(reinterpret_cast<const char*>(values.data()),
              static_cast<std::streamsize>(size * sizeof(double)));
}

bool ReadVector(std::ifstream& in, std::vector<double>& values) {
    std::uint64_t size = 0;
    if (!in.read(reinterpret_cast<char*>(&size), sizeof size) || size > 100000) {
        return false;
    }
    values.resize(size);
    return static_cast<bool>(in.read(reinterpret_cast<char*>(values.data()),
                                     static_cast<std::streamsize>(size * sizeof(double))));
}

bool ReadCache(const std::string& name, std::uint64_t key, std::vector<Recording>& recordings) {
    std::ifstream in(name, std::ios::binary);
    std::uint64_t stored = 0;
    if (!in.read(reinterpret_cast<char*>(&stored), sizeof stored) || stored != key) {
        return false;
    }
    for (Recording& recording : recordings) {
        char voice = 0;
        if (!in.get(voice) || !ReadVector(in, recording.statistics.phrase) ||
            !ReadVector(in, recording.statistics.voice)) {
            return false;
        }
        recording.voice = voice != 0;
    }
    return true;
}

void WriteCache(const std::string& name, std::uint64_t key,
                const std::vector<Recording>& recordings) {
    std::ofstream out(name + ".part", std::ios::binary);
    out.write(reinterpret_cast<const char*>(&key), sizeof key);
    for (const Recording& recording : recordings) {
        out.put(recording.voice ? 1 : 0);
        WriteVector(out, recording.statistics.phrase);
        WriteVector(out, recording.statistics.voice);
    }
    out.close();
    if (out) {
        std::filesystem::rename(name + ".part", name);
    }
}

}  // namespace

std::vector<Recording> LoadCorpora(const std::vector<std::filesystem::path>& measured, int jobs,
                                   const std::vector<std::filesystem::path>& fitOnly) {
    std::vector<Recording> recordings;
    std::vector<std::filesystem::path> folders = measured;
    folders.insert(folders.end(), fitOnly.begin(), fitOnly.end());
    for (std::size_t f = 0; f < folders.size(); ++f) {
        const std::filesystem::path& folder = folders[f];
        std::vector<std::filesystem::path> manifests{folder / "manifest.tsv"};
        if (std::filesystem::exists(folder / "changes.tsv")) {
            manifests.push_back(folder / "changes.tsv");
        }
        std::filesystem::path name = std::filesystem::absolute(folder).lexically_normal();
        if (name.filename().empty()) {  // "dir/" ends in an empty name
            name = name.parent_path();
        }
        const std::string corpus = name.filename().string();
        const bool readSpeech = std::filesystem::exists(folder / "read-speech");
        for (accuracy::Recording& source : accuracy::ReadManifests(manifests)) {
            recordings.push_back(
                {std::move(source), corpus, readSpeech, f >= measured.size(), false, {}});
        }
    }
    const char* cache = std::getenv("KELVO_STATISTICS_CACHE");
    const std::uint64_t key = cache != nullptr ? CacheKey(recordings) : 0;
    if (cache == nullptr || !ReadCache(cache, key, recordings) || !SameAsComputed(recordings)) {
        for (Recording& recording : recordings) {
            recording.voice = false;
            recording.statistics = {};
        }
        ComputeStatistics(recordings, std::max(1, jobs));
        if (cache != nullptr) {
            WriteCache(cache, key, recordings);
        }
    } else {
        std::fprintf(stderr, "  statistics of %zu recordings read from %s\n", recordings.size(),
                     cache);
    }
    std::map<std::string, std::pair<std::size_t, std::size_t>> unvoiced;  // corpus: clean, all
    for (const Recording& recording : recordings) {
        auto& [clean, all] = unvoiced[recording.corpus];
        clean += !recording.voice && recording.source.Clean() ? 1 : 0;
        all += recording.voice ? 0 : 1;
    }
    for (const auto& [corpus, counts] : unvoiced) {
        std::fprintf(stderr, "  %s: no voice found in %zu clean recordings, %zu in all\n",
                     corpus.c_str(), counts.first, counts.second);
    }
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

std::string PersonOf(const std::string& voice) {
    return voice.substr(0, voice.find('~'));
}

}  // namespace fitting
