#include "front_end.h"

#include "deltas.h"
#include "energy.h"
#include "feature_table.h"
#include "framing.h"
#include "mean_normalization.h"
#include "pre_emphasis.h"
#include "speech/speech.h"
#include "window_function.h"
#include "zero_mean.h"

namespace speech {

FrontEnd::FrontEnd(const FrontEndOptions& options)
    : options_(options),
      geometry_(ComputeFrameGeometry(options)),
      cepstra_(static_cast<std::size_t>(options.numCepstra)),
      staticDims_(StaticDims(options)),
      dims_(FeatureDims(options)),
      window_(MakeWindow(ParseWindowType(options.windowType).value_or(WindowType::kHamming),
                         geometry_.window)),
      spectrum_(geometry_.fftSize),
      filterbank_(static_cast<std::size_t>(options.numFilters), geometry_.fftSize,
                  options.sampleRate),
      cepstrum_(cepstra_, static_cast<std::size_t>(options.numFilters)),
      lifter_(cepstra_, options.lifter),
      windowed_(geometry_.window),
      power_(spectrum_.Bins()),
      logEnergies_(filterbank_.Filters()) {}

void FrontEnd::ComputeStatics(std::span<const double> frame, std::span<double> row) {
    for (std::size_t n = 0; n < frame.size(); ++n) {
        windowed_[n] = frame[n] * window_[n];
    }
    spectrum_.Compute(windowed_, power_);
    filterbank_.ApplyLog(power_, logEnergies_);
    const std::span<double> cepstra = row.first(cepstra_);
    cepstrum_.Compute(logEnergies_, cepstra);
    lifter_.Apply(cepstra);
    if (options_.energy) {
        row[cepstra_] = LogFrameEnergy(frame);
    }
}

FeatureMatrix FrontEnd::Compute(std::span<const double> samples) {
    signal_.assign(samples.begin(), samples.end());
    return ComputeOnSignal();
}

FeatureMatrix FrontEnd::Compute(std::vector<double>&& samples) {
    signal_.swap(samples);
    return ComputeOnSignal();
}

FeatureMatrix FrontEnd::ComputeOnSignal() {
    if (options_.zeroMean) {
        RemoveMean(signal_);
    }
    PreEmphasize(signal_, options_.preEmphasis);

    const std::size_t frames = FrameCount(signal_.size(), geometry_.window, geometry_.shift);
    table_.assign(frames * dims_, 0.0);
    const FeatureTable table{table_, frames, dims_};
    const std::span<const double> signal(signal_);
    for (std::size_t t = 0; t < frames; ++t) {
        ComputeStatics(signal.subspan(FrameStart(t, geometry_.shift), geometry_.window),
                       table.values.subspan(t * dims_, staticDims_));
    }

    if (options_.energyNorm) {
        NormalizeLogEnergy(table, cepstra_);
    }
    if (options_.cms) {
        SubtractColumnMeans(table, 0, cepstra_);
    }
    const auto window = static_cast<std::size_t>(options_.deltaWindow);
    if (options_.delta) {
        ComputeDeltas(table, 0, staticDims_, staticDims_, window);
    }
    if (options_.acc) {
        ComputeDeltas(table, staticDims_, 2 * staticDims_, staticDims_, window);
    }

    FeatureMatrix features(frames, dims_);
    for (std::size_t i = 0; i < table_.size(); ++i) {
        features.values[i] = static_cast<float>(table_[i]);
    }
    return features;
}

FeatureMatrix ComputeFeatures(std::span<const double> samples, const FrontEndOptions& options) {
    if (ValidateFrontEndOptions(options) != SPEECH_OK) {
        return {};
    }
    return FrontEnd(options).Compute(samples);
}

}  // namespace speech
