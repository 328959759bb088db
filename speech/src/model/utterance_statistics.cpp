#include "utterance_statistics.h"

#include <algorithm>
#include <cmath>

namespace speech {
namespace {

// Running sums of some columns.
struct Moments {
    std::vector<double> sums;
    std::vector<double> squares;
    std::size_t count = 0;

    explicit Moments(std::size_t columns) : sums(columns), squares(columns) {}

    void Add(std::size_t column, double value) {
        sums[column] += value;
        squares[column] += value * value;
    }
    double Mean(std::size_t column) const { return sums[column] / static_cast<double>(count); }
    double Deviation(std::size_t column) const {
        const double mean = Mean(column);
        return std::sqrt(std::max(0.0, squares[column] / static_cast<double>(count) - mean * mean));
    }
};

std::optional<std::vector<double>> PhraseStatistics(const std::vector<FeatureMatrix>& files,
                                                    const FrameLayout& frames) {
    // The active frames of every file, in order, as (file, frame).
    std::vector<std::pair<std::size_t, std::size_t>> active;
    for (std::size_t f = 0; f < files.size(); ++f) {
        for (const std::size_t frame : ActiveFrames(files[f], frames)) {
            active.emplace_back(f, frame);
        }
    }
    std::vector<Moments> segments(kPhraseSegments, Moments(frames.statics));
    for (std::size_t i = 0; i < active.size(); ++i) {
        Moments& segment = segments[PartOf(i, active.size(), kPhraseSegments)];
        const auto row = files[active[i].first].Row(active[i].second);
        for (std::size_t c = 0; c < frames.statics; ++c) {
            segment.Add(c, row[c]);
        }
        ++segment.count;
    }
    std::vector<double> statistics;
    for (const Moments& segment : segments) {
        if (segment.count == 0) {
            return std::nullopt;
        }
        for (std::size_t c = 0; c < frames.statics; ++c) {
            statistics.push_back(segment.Mean(c));
        }
    }
    return statistics;
}

std::optional<std::vector<double>> VoiceStatistics(const std::vector<FeatureMatrix>& files,
                                                   const FrameLayout& frames) {
    const std::size_t cepstra = frames.energyIndex;
    // Columns: the cepstra, the cepstra before mean normalisation, the log pitch.
    Moments moments(2 * cepstra + 1);
    for (const FeatureMatrix& features : files) {
        for (const std::size_t frame : VoicedFrames(features, frames)) {
            const auto row = features.Row(frame);
            for (std::size_t c = 0; c < cepstra; ++c) {
                const double removed =
                    c < features.cepstralMean.size() ? features.cepstralMean[c] : 0.0;
                moments.Add(c, row[c]);
                moments.Add(cepstra + c, row[c] + removed);
            }
            moments.Add(2 * cepstra, std::log(static_cast<double>(features.pitch[frame])));
            ++moments.count;
        }
    }
    if (moments.count == 0) {
        return std::nullopt;
    }
    std::vector<double> statistics;
    for (std::size_t c = 0; c < cepstra; ++c) {
        statistics.push_back(moments.Mean(c));
    }
    for (std::size_t c = 0; c < cepstra; ++c) {
        statistics.push_back(moments.Deviation(c));
    }
    for (std::size_t c = 0; c < cepstra; ++c) {
        statistics.push_back(moments.Mean(cepstra + c));
    }
    statistics.push_back(moments.Mean(2 * cepstra));
    statistics.push_back(moments.Deviation(2 * cepstra));
    return statistics;
}

}  // namespace

std::size_t PhraseStatisticsSize(const FrameLayout& frames) {
    return kPhraseSegments * frames.statics;
}

std::size_t VoiceStatisticsSize(const FrameLayout& frames) {
    return 3 * frames.energyIndex + 2;
}

std::optional<UtteranceStatistics> ComputeUtteranceStatistics(
    const std::vector<FeatureMatrix>& files, const FrameLayout& frames) {
    auto phrase = PhraseStatistics(files, frames);
    auto voice = VoiceStatistics(files, frames);
    if (!phrase || !voice) {
        return std::nullopt;
    }
    return UtteranceStatistics{std::move(*phrase), std::move(*voice)};
}

}  // namespace speech
