// The whole front end: samples in, one row of features per frame out. Per frame: window of
// the zero-mean, pre-emphasised signal, power spectrum, mel filter energies raised to a floor
// below the loudest frame, their logs, cepstra c1..cN, lifter, log energy; and the pitch of the
// signal around the frame's centre, kept for frames that are not a pure tone. Per recording
// afterwards: energy normalisation, cepstral mean subtraction (the means are kept), deltas,
// accelerations. Row layout: c1..cN, E, their deltas, their accelerations (E and the two derivative
// blocks only when enabled).
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "cepstrum.h"
#include "feature_matrix.h"
#include "frame_power.h"
#include "frontend_options.h"
#include "lifter.h"
#include "mel_filterbank.h"
#include "noise_floor.h"
#include "pitch_tracker.h"

namespace speech {

// Frames more than this below the loudest (before pre-emphasis) get no pitch: they are far
// below the range the verifier counts as voiced.
inline constexpr double kPitchRangeDb = 35.0;

// Holds everything that depends on the options alone (window, filter weights, DCT matrix,
// FFT tables) and the working buffers, so that computing a recording allocates little beyond
// its own signal copy and results. The signal and the filter energies are let go of as soon as
// they are done with, before the next large buffer is allocated: a long recording's peak memory
// is then the signal and the filter energies, or the feature table and the result, not all of
// them at once.
class FrontEnd {
  public:
    // options must pass ValidateFrontEndOptions.
    explicit FrontEnd(const FrontEndOptions& options);

    const FrameGeometry& Geometry() const { return geometry_; }
    std::size_t Dims() const { return dims_; }

    FeatureMatrix Compute(std::span<const double> samples);
    // The same, working on the samples in place: they are taken, and `samples` is left
    // empty.
    FeatureMatrix Compute(std::vector<double>&& samples);

  private:
    FeatureMatrix ComputeOnSignal();  // on signal_
    // The frame's filter energies and, when enabled, its log energy. True when it is a pure
    // tone.
    bool ComputeSpectrum(std::span<const double> frame, std::span<double> filterEnergies,
                         double& logEnergy);
    // The cepstra of floored filter energies, into the row.
    void ComputeCepstra(std::span<const double> filterEnergies, std::span<double> row);

    FrontEndOptions options_;
    FrameGeometry geometry_;
    std::size_t cepstra_;
    std::size_t staticDims_;
    std::size_t dims_;
    std::vector<double> window_;
    PowerSpectrum spectrum_;
    MelFilterbank filterbank_;
    Cepstrum cepstrum_;
    Lifter lifter_;
    NoiseFloor floor_;
    PitchTracker pitchTracker_;

    std::vector<double> signal_;
    std::vector<double> windowed_;
    std::vector<double> power_;
    std::vector<double> logEnergies_;
    std::vector<double> frameLogEnergies_;
    std::vector<double> table_;
    std::vector<double> filterEnergies_;  // frames * filters
    std::vector<float> pitch_;
};

// Runs the front end once. Options that fail ValidateFrontEndOptions give an empty matrix
// (0 frames, 0 dims).
FeatureMatrix ComputeFeatures(std::span<const double> samples, const FrontEndOptions& options);

}  // namespace speech
