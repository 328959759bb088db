// The pitch of the voice, frame by frame, by the YIN method: for a stretch of signal centred on
// the frame, the difference function d(tau) = sum_j (x_j - x_{j+tau})^2, normalised by its own
// running mean over the lags up to tau. A voiced sound repeats itself after one period, so the
// normalised function dips close to 0 there; noise never does, and its colour does not matter
// (the normalisation removes the slow rise that low-frequency noise gives). The period is the
// first dip below the voicing threshold within the lags of the pitch range, refined between
// lags by a parabola through the dip and its neighbours.
//
// Frames follow each other by far less than a stretch, so neighbouring stretches share most of
// their terms. The sum over a stretch is therefore kept as sums over blocks one frame shift
// long: a frame adds the one block its stretch gains and reuses those it shares with the frame
// before. Every term is the same as in the sum over the stretch taken at once; only the order
// of the additions differs, which moves d(tau) by a few units in the last place at most.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "sample_source.h"

namespace speech {

struct PitchOptions {
    double minHz = 60.0;            // the lowest pitch sought (the longest lag)
    double maxHz = 420.0;           // the highest pitch sought (the shortest lag)
    double windowMs = 40.0;         // the stretch compared with itself, about two long periods
    double voicingThreshold = 0.2;  // normalised difference below which a dip is a period
};

class PitchTracker {
  public:
    PitchTracker(double sampleRate, const PitchOptions& options = {});

    // The pitch in Hz of every frame t with wanted[t] (its stretch centred on sample
    // firstCentre + t * shift), or 0 when the stretch is not periodic within the range; 0 for
    // the frames not wanted. Samples beyond the signal count as 0. pitch and wanted have one
    // entry per frame; shift >= 1.
    void Track(const SampleSource& signal, std::size_t firstCentre, std::size_t shift,
               std::span<const char> wanted, std::span<float> pitch);

  private:
    // The terms of d(tau), tau = 1..lastLag, for the samples [first, first + count) of the
    // signal, added to sums.
    void AddTerms(const SampleSource& signal, std::ptrdiff_t first, std::size_t count,
                  std::span<double> sums);
    // The pitch from difference_, which holds d(tau) and is normalised in place.
    double PitchOfDifference();

    double sampleRate_;
    double threshold_;
    std::size_t window_;
    std::size_t minLag_;
    std::size_t maxLag_;
    std::size_t lastLag_;             // one past the range, for the parabola
    std::vector<double> segment_;     // the samples a block's terms need
    std::vector<double> blocks_;      // block sums, lastLag_ + 1 per block, in a ring
    std::vector<double> difference_;  // d(tau), tau = 0..lastLag_
};

}  // namespace speech
