#include "front_end.h"

#include <algorithm>
#include <cmath>

#include "deltas.h"
#include "energy.h"
#include "feature_table.h"
#include "framing.h"
#include "log_floor.h"
#include "mean_normalization.h"
#include "pure_tone.h"
#include "speech/speech.h"
#include "stage_clock.h"
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
      floor_(filterbank_, geometry_.fftSize, options.preEmphasis, options.spectralFloorDb),
      pitchTracker_(options.sampleRate),
      plain_(geometry_.window + 1),
      emphasised_(geometry_.window),
      windowed_(geometry_.window),
      power_(spectrum_.Bins()),
      logEnergies_(filterbank_.Filters()) {}

bool FrontEnd::ComputeSpectrum(const SampleSource& signal, std::size_t start,
                               std::span<double> filterEnergies, double& logEnergy,
                               double& plainEnergy) {
    // Pre-emphasis frame by frame rather than over the signal in place, so that the plain
    // signal stays for the pitch; the first sample is its own predecessor, as over the whole.
    signal.Copy(static_cast<std::ptrdiff_t>(start) - 1, plain_);
    if (start == 0) {
        plain_[0] = plain_[1];
    }
    plainEnergy = 0.0;
    for (std::size_t n = 1; n < plain_.size(); ++n) {
        plainEnergy += plain_[n] * plain_[n];
    }
    const double coefficient = options_.preEmphasis;
    for (std::size_t n = 0; n < emphasised_.size(); ++n) {
        emphasised_[n] = plain_[n + 1] - coefficient * plain_[n];
    }
    for (std::size_t n = 0; n < emphasised_.size(); ++n) {
        windowed_[n] = emphasised_[n] * window_[n];
    }
    spectrum_.Compute(windowed_, power_);
    filterbank_.Apply(power_, filterEnergies);
    logEnergy = LogFrameEnergy(emphasised_);
    return IsPureTone(power_);
}

void FrontEnd::SelectPitchFrames() {
    // The level of each frame as the energy feature will give it, relative to the loudest.
    std::vector<double> levels = frameLogEnergies_;
    const std::size_t frames = levels.size();
    pitchFrames_.assign(frames, 0);
    if (frames == 0) {
        return;
    }
    if (!options_.energy || options_.energyNorm) {
        NormalizeLogEnergy(FeatureTable{levels, frames, 1}, 0);
    }
    const double loudest = *std::max_element(levels.begin(), levels.end());
    const double quietest = loudest - LogEnergyRange(kPitchRangeDb);
    const double loudestPlain = *std::max_element(plainEnergies_.begin(), plainEnergies_.end());
    const double quietestPlain = loudestPlain * std::pow(10.0, -kPlainPitchRangeDb / 10.0);
    for (std::size_t t = 0; t < frames; ++t) {
        pitchFrames_[t] =
            levels[t] >= quietest && plainEnergies_[t] >= quietestPlain && !tone_[t] ? 1 : 0;
    }
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
    if (options_.zeroMean) {
        RemoveMean(signal_);
    }
    return ComputeOnSignal(NumberSamples(signal_));
}

FeatureMatrix FrontEnd::Compute(std::vector<double>&& samples) {
    signal_.swap(samples);
    std::vector<double>().swap(samples);
    if (options_.zeroMean) {
        RemoveMean(signal_);
    }
    return ComputeOnSignal(NumberSamples(signal_));
}

FeatureMatrix FrontEnd::ComputeFromBytes(std::string_view bytes) {
    return ComputeOnSignal(ByteSamples(bytes, options_.zeroMean ? ByteSamples::Mean(bytes) : 0.0));
}

FeatureMatrix FrontEnd::ComputeOnSignal(const SampleSource& signal) {
    const std::size_t frames = FrameCount(signal.Size(), geometry_.window, geometry_.shift);
    const std::size_t filters = filterbank_.Filters();
    filterEnergies_.assign(frames * filters, 0.0);
    frameLogEnergies_.assign(frames, 0.0);
    plainEnergies_.assign(frames, 0.0);
    tone_.assign(frames, 0);
    const std::span<double> energies(filterEnergies_);
    {
        const StageTimer timer(Stage::kSpectra);
        for (std::size_t t = 0; t < frames; ++t) {
            tone_[t] = ComputeSpectrum(signal, FrameStart(t, geometry_.shift),
                                       energies.subspan(t * filters, filters), frameLogEnergies_[t],
                                       plainEnergies_[t])
                           ? 1
                           : 0;
        }
    }
    {
        // The pitch on the plain signal, since pre-emphasis would weaken the fundamental it
        // looks for; only for the frames whose pitch counts (a tone is not a voice).
        const StageTimer timer(Stage::kPitch);
        SelectPitchFrames();
        pitch_.assign(frames, 0.0f);
        pitchTracker_.Track(signal, geometry_.window / 2, geometry_.shift, pitchFrames_, pitch_);
        // Nothing reads the signal after this: when it is held here, it is let go of.
        std::vector<double>().swap(signal_);
    }

    table_.assign(frames * dims_, 0.0);
    const FeatureTable table{table_, frames, dims_};
    if (options_.energy) {
        for (std::size_t t = 0; t < frames; ++t) {
            table.At(t, cepstra_) = frameLogEnergies_[t];
        }
    }
    {
        // The floor depends on the loudest frame, so the cepstra wait for every frame's
        // spectrum.
        const StageTimer timer(Stage::kCepstra);
        floor_.Apply(energies, frames);
        for (std::size_t t = 0; t < frames; ++t) {
            ComputeCepstra(energies.subspan(t * filters, filters),
                           table.values.subspan(t * dims_, staticDims_));
        }
        std::vector<double>().swap(filterEnergies_);
    }

    const StageTimer timer(Stage::kRecordingWide);
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
    std::vector<double>().swap(table_);  // not held while the caller writes and hands on
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
