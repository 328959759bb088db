// Settings of the speech front end and the frame geometry they imply. The defaults are the
// settings the verification pipeline runs with: 14 liftered cepstra and the log energy, each
// normalised, with deltas and accelerations, from 16 ms Hamming windows every 8 ms at 11025/s.
#pragma once

#include <cstddef>
#include <string>

namespace speech {

struct FrontEndOptions {
    double sampleRate = 11025.0;         // samples per second (-sf)
    bool zeroMean = true;                // subtract the recording's mean first (-zero_mean)
    double preEmphasis = 0.97;           // y[n] = x[n] - a x[n-1] (-pre_emph_coeff)
    std::string windowType = "hamming";  // hamming, hanning or rectangular (-window_type)
    double windowMs = 16.0;              // window length in milliseconds (-window_dur)
    double shiftMs = 8.0;                // frame shift in milliseconds (-frame_dur)
    int numFilters = 22;                 // triangular mel filters (-num_fbanks)
    int numCepstra = 14;                 // cepstra c1..cN, c0 is not output (-mfcc)
    double lifter = 36.0;                // sinusoidal lifter length, 0 = none (-lifter_coeff)
    double spectralFloorDb = 22.0;       // filter energy floor below the loudest frame, dB,
                                         // 0 = none (-spectral_floor)
    bool energy = true;                  // append the log frame energy (-energy)
    bool energyNorm = true;              // loudest frame's energy becomes 1 (-energy_norm)
    bool cms = true;                     // subtract each cepstrum's mean (-cms)
    bool delta = true;                   // append deltas (-delta)
    bool acc = true;                     // append deltas of the deltas (-acc)
    int deltaWindow = 2;                 // regression half-width K (-delta_win)
    std::string outputMode = "ascii";    // feature file format (-output_mode)
};

// Bounds beyond which a setting is refused rather than attempted.
inline constexpr double kMaxSampleRate = 192000.0;
inline constexpr std::size_t kMaxWindowSamples = std::size_t{1} << 18;
inline constexpr int kMaxDeltaWindow = 100;
inline constexpr double kMaxNoiseFloorDb = 200.0;

// Sample counts of one analysis frame.
struct FrameGeometry {
    std::size_t window = 0;   // samples per window
    std::size_t shift = 0;    // samples between window starts
    std::size_t fftSize = 0;  // the next power of two at or above the window
};

// The geometry of valid options (see ValidateFrontEndOptions).
FrameGeometry ComputeFrameGeometry(const FrontEndOptions& options);

// Values per frame: the statics (cepstra and energy), then deltas and accelerations.
std::size_t StaticDims(const FrontEndOptions& options);
std::size_t FeatureDims(const FrontEndOptions& options);

// SPEECH_OK, SPEECH_ERR_BAD_VALUE for an unknown window type or output mode, or
// SPEECH_ERR_IMPOSSIBLE for a number out of its range or settings that do not fit together.
int ValidateFrontEndOptions(const FrontEndOptions& options);

}  // namespace speech
