// The pitch of the voice, frame by frame, by the YIN method: for a stretch of signal centred on
// the frame, the difference function d(tau) = sum_j (x_j - x_{j+tau})^2, normalised by its own
// running mean over the lags up to tau. A voiced sound repeats itself after one period, so the
// normalised function dips close to 0 there; noise never does, and its colour does not matter
// (the normalisation removes the slow rise that low-frequency noise gives). The period is the
// first dip below the voicing threshold within the lags of the pitch range, refined between
// lags by a parabola through the dip and its neighbours.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

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

    // The pitch in Hz of the stretch of `signal` centred on sample `centre`, or 0 when the
    // stretch is not periodic within the range. Samples beyond the signal count as 0.
    double PitchAt(std::span<const double> signal, std::size_t centre);

  private:
    double sampleRate_;
    double threshold_;
    std::size_t window_;
    std::size_t minLag_;
    std::size_t maxLag_;
    std::vector<double> stretch_;     // window_ + maxLag_ samples
    std::vector<double> difference_;  // d(tau), tau = 0..maxLag_
};

}  // namespace speech
