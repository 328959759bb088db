#include "frontend_options.h"

#include <cmath>

#include "mel_filterbank.h"
#include "speech/speech.h"
#include "window_function.h"

namespace speech {
namespace {

// A duration in milliseconds as a whole number of samples, or 0 when it is not a positive
// count within kMaxWindowSamples (checked before the conversion, so it is always in range).
std::size_t DurationToSamples(double milliseconds, double sampleRate) {
    const double samples = std::round(milliseconds * sampleRate / 1000.0);
    if (!(samples >= 1.0 && samples <= static_cast<double>(kMaxWindowSamples))) {
        return 0;
    }
    return static_cast<std::size_t>(samples);
}

}  // namespace

FrameGeometry ComputeFrameGeometry(const FrontEndOptions& options) {
    FrameGeometry geometry;
    geometry.window = DurationToSamples(options.windowMs, options.sampleRate);
    geometry.shift = DurationToSamples(options.shiftMs, options.sampleRate);
    geometry.fftSize = 2;
    while (geometry.fftSize < geometry.window) {
        geometry.fftSize *= 2;
    }
    return geometry;
}

std::size_t StaticDims(const FrontEndOptions& options) {
    return static_cast<std::size_t>(options.numCepstra > 0 ? options.numCepstra : 0) +
           (options.energy ? 1u : 0u);
}

std::size_t FeatureDims(const FrontEndOptions& options) {
    return StaticDims(options) * (1u + (options.delta ? 1u : 0u) + (options.acc ? 1u : 0u));
}

int ValidateFrontEndOptions(const FrontEndOptions& options) {
    if (!ParseWindowType(options.windowType) || options.outputMode != "ascii") {
        return SPEECH_ERR_BAD_VALUE;
    }
    // Written so that a NaN fails every range test.
    const bool numbersInRange =
        options.sampleRate > 0.0 && options.sampleRate <= kMaxSampleRate &&
        options.preEmphasis >= 0.0 && options.preEmphasis < 1.0 && options.numCepstra >= 1 &&
        options.numFilters >= 2 && options.deltaWindow >= 1 &&
        options.deltaWindow <= kMaxDeltaWindow &&
        (options.lifter == 0.0 || (options.lifter >= 1.0 && std::isfinite(options.lifter))) &&
        options.spectralFloorDb >= 0.0 && options.spectralFloorDb <= kMaxNoiseFloorDb;
    if (!numbersInRange) {
        return SPEECH_ERR_IMPOSSIBLE;
    }
    // c0 is not output, so N filters give at most N - 1 cepstra.
    if (options.numCepstra >= options.numFilters || (options.acc && !options.delta) ||
        (options.energyNorm && !options.energy)) {
        return SPEECH_ERR_IMPOSSIBLE;
    }
    const FrameGeometry geometry = ComputeFrameGeometry(options);
    if (geometry.window < 2 || geometry.shift < 1) {
        return SPEECH_ERR_IMPOSSIBLE;
    }
    // Every filter must cover at least one spectrum bin, or its output would be a constant.
    const auto filters = static_cast<std::size_t>(options.numFilters);
    if (filters > geometry.fftSize / 2 ||
        MelFilterbank(filters, geometry.fftSize, options.sampleRate).HasEmptyFilter()) {
        return SPEECH_ERR_IMPOSSIBLE;
    }
    return SPEECH_OK;
}

}  // namespace speech
