// The whole front end: samples in, one row of features per frame out. Per frame: window of
// the zero-mean, pre-emphasised signal, power spectrum, mel filter energies raised to a floor
// below the loudest frame, their logs, cepstra c1..cN, lifter, log energy; and the pitch of the
// zero-mean signal around the frame's centre, for frames loud enough to be speech that are not
// a pure tone. Per recording
// afterwards: energy normalisation, cepstral mean subtraction (the means are kept), deltas,
// accelerations. Row layout: c1..cN, E, their deltas, their accelerations (E and the two derivative
// blocks only when enabled).
#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "cepstrum.h"
#include "feature_matrix.h"
#include "frame_power.h"
#include "frontend_options.h"
#include "lifter.h"
#include "mel_filterbank.h"
#include "noise_floor.h"
#include "pitch_tracker.h"
#include "sample_source.h"
#include "speech_range.h"

namespace speech {

// Frames more than this below the loudest frame's log energy get no pitch: a little more than
// the range of the speech frames, so that rounding the energies to the feature file's
// precision never makes a frame speech that got no pitch.
inline constexpr double kPitchRangeDb = kSpeechRangeDb + 0.1;
// Nor do frames whose energy before pre-emphasis, where the pitch is sought, lies more than this
// below the loudest frame's: too little of the voice's fundamental is left in them.
inline constexpr double kPlainPitchRangeDb = 35.0;

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
    // The features of 8-bit unsigned samples as a recording file holds them (see
    // recording.h), without decoding them whole: the same features as Compute on the decoded
    // samples, from an eighth of the memory.
    FeatureMatrix ComputeFromBytes(std::string_view bytes);

  private:
    FeatureMatrix ComputeOnSignal(const SampleSource& signal);
    // The filter energies and the log energy of the frame that starts at sample `start`,
    // pre-emphasised. True when it is a pure tone.
    bool ComputeSpectrum(const SampleSource& signal, std::size_t start,
                         std::span<double> filterEnergies, double& logEnergy,
                         double& plainEnergy);
    // Which frames may be voiced: loud enough to be speech, with enough of the signal before
    // pre-emphasis, and not a pure tone.
    void SelectPitchFrames();
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
    std::vector<double> plain_;  // a frame and the sample before it
    std::vector<double> emphasised_;
    std::vector<double> windowed_;
    std::vector<double> power_;
    std::vector<double> logEnergies_;
    std::vector<double> frameLogEnergies_;
    std::vector<double> plainEnergies_;  // per frame, before pre-emphasis
    std::vector<double> table_;
    std::vector<double> filterEnergies_;  // frames * filters
    std::vector<char> tone_;              // per frame: a pure tone
    std::vector<char> pitchFrames_;       // per frame: its pitch is tracked
    std::vector<float> pitch_;
};

// Runs the front end once. Options that fail ValidateFrontEndOptions give an empty matrix
// (0 frames, 0 dims).
FeatureMatrix ComputeFeatures(std::span<const double> samples, const FrontEndOptions& options);

}  // namespace speech
