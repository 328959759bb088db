#include "front_end.h"

#include <algorithm>
#include <cmath>

#include "deltas.h"
#include "energy.h"
#include "feature_table.h"
#include "framing.h"
#include "log_floor.h"
#include "mean_normalization.h"
#include "pre_emphasis.h"
#include "pure_tone.h"
#include "speech/speech.h"
#include "window_function.h"
#include "zero_mean.h"

namespace speech {
namespace {

double FrameEnergy(std::span<const double> frame) {
    double sum = 0.0;
    for (const double sample : frame) {
        sum += sample * sample;
    }
    return sum;
}

}  // namespace

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
      floor_(filterbank_, geometry_.fftSize, options.preEmphasis, options.spectralFloorDb),
      pitchTracker_(options.sampleRate),
      windowed_(geometry_.window),
      power_(spectrum_.Bins()),
      logEnergies_(filterbank_.Filters()) {}

bool FrontEnd::ComputeSpectrum(std::span<const double> frame, std::span<double> filterEnergies,
                               double& logEnergy) {
    for (std::size_t n = 0; n < frame.size(); ++n) {
        windowed_[n] = frame[n] * window_[n];
    }
    spectrum_.Compute(windowed_, power_);
    filterbank_.Apply(power_, filterEnergies);
    if (options_.energy) {
        logEnergy = LogFrameEnergy(frame);
    }
    return IsPureTone(power_);
}

void FrontEnd::ComputeCepstra(std::span<const double> filterEnergies, std::span<double> row) {
    for (std::size_t m = 0; m < filterEnergies.size(); ++m) {
        logEnergies_[m] = FlooredLog(filterEnergies[m]);
    }
    const std::span<double> cepstra = row.first(cepstra_);
    cepstrum_.Compute(logEnergies_, cepstra);
    lifter_.Apply(cepstra);
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
    const std::size_t frames = FrameCount(signal_.size(), geometry_.window, geometry_.shift);
    // The pitch before pre-emphasis, which would weaken the fundamental it looks for; only
    // for frames within kPitchRangeDb of the loudest, since nothing quieter counts as voiced.
    pitch_.assign(frames, 0.0f);
    const std::span<const double> plain(signal_);
    double loudest = 0.0;
    for (std::size_t t = 0; t < frames; ++t) {
        loudest = std::max(
            loudest, FrameEnergy(plain.subspan(FrameStart(t, geometry_.shift), geometry_.window)));
    }
    const double quietest = loudest * std::pow(10.0, -kPitchRangeDb / 10.0);
    for (std::size_t t = 0; t < frames; ++t) {
        const std::size_t start = FrameStart(t, geometry_.shift);
        if (FrameEnergy(plain.subspan(start, geometry_.window)) >= quietest) {
            pitch_[t] =
                static_cast<float>(pitchTracker_.PitchAt(signal_, start + geometry_.window / 2));
        }
    }
    PreEmphasize(signal_, options_.preEmphasis);

    const std::size_t filters = filterbank_.Filters();
    filterEnergies_.assign(frames * filters, 0.0);
    frameLogEnergies_.assign(frames, 0.0);
    const std::span<double> energies(filterEnergies_);
    const std::span<const double> signal(signal_);
    for (std::size_t t = 0; t < frames; ++t) {
        if (ComputeSpectrum(signal.subspan(FrameStart(t, geometry_.shift), geometry_.window),
                            energies.subspan(t * filters, filters), frameLogEnergies_[t])) {
            pitch_[t] = 0.0f;  // a tone, not a voice
        }
    }
    std::vector<double>().swap(signal_);

    table_.assign(frames * dims_, 0.0);
    const FeatureTable table{table_, frames, dims_};
    if (options_.energy) {
        for (std::size_t t = 0; t < frames; ++t) {
            table.At(t, cepstra_) = frameLogEnergies_[t];
        }
    }
    // The floor depends on the loudest frame, so the cepstra wait for every frame's spectrum.
    floor_.Apply(energies, frames);
    for (std::size_t t = 0; t < frames; ++t) {
        ComputeCepstra(energies.subspan(t * filters, filters),
                       table.values.subspan(t * dims_, staticDims_));
    }
    std::vector<double>().swap(filterEnergies_);

    if (options_.energyNorm) {
        NormalizeLogEnergy(table, cepstra_);
    }
    std::vector<double> cepstralMean;
    if (options_.cms && frames > 0) {
        cepstralMean = SubtractColumnMeans(table, 0, cepstra_);
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
    features.pitch = pitch_;
    features.cepstralMean.assign(cepstralMean.begin(), cepstralMean.end());
    return features;
}

FeatureMatrix ComputeFeatures(std::span<const double> samples, const FrontEndOptions& options) {
    if (ValidateFrontEndOptions(options) != SPEECH_OK) {
        return {};
    }
    return FrontEnd(options).Compute(samples);
}

}  // namespace speech
