// The pitch tracker as it was first written: the difference function summed directly over
// the whole stretch for every frame and lag. The reference the tracker's tests compare with.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>
#include <vector>

#include "pitch_tracker.h"

namespace speech::test {

class DirectPitch {
  public:
    explicit DirectPitch(double sampleRate, const PitchOptions& options = {})
        : sampleRate_(sampleRate),
          threshold_(options.voicingThreshold),
          window_(static_cast<std::size_t>(std::lround(options.windowMs * sampleRate / 1000.0))),
          minLag_(static_cast<std::size_t>(std::floor(sampleRate / options.maxHz))),
          maxLag_(static_cast<std::size_t>(std::ceil(sampleRate / options.minHz))),
          stretch_(window_ + maxLag_ + 1),
          difference_(maxLag_ + 2) {}

    // The pitch in Hz of the stretch centred on sample `centre`, or 0.
    double PitchAt(std::span<const double> signal, std::size_t centre) {
        // The stretch starts half a window before the centre and runs one window plus the longest
        // lag, with zeros where it leaves the signal.
        const auto first =
            static_cast<std::ptrdiff_t>(centre) - static_cast<std::ptrdiff_t>(window_ / 2);
        for (std::size_t j = 0; j < stretch_.size(); ++j) {
            const std::ptrdiff_t n = first + static_cast<std::ptrdiff_t>(j);
            stretch_[j] = n >= 0 && n < static_cast<std::ptrdiff_t>(signal.size())
                              ? signal[static_cast<std::size_t>(n)]
                              : 0.0;
        }
        const std::size_t lastLag = maxLag_ + 1;  // one past the range, for the parabola
        for (std::size_t lag = 1; lag <= lastLag; ++lag) {
            // Four running sums, so that the additions need not wait for each other.
            double sums[4] = {0.0, 0.0, 0.0, 0.0};
            const double* a = stretch_.data();
            const double* b = stretch_.data() + lag;
            std::size_t j = 0;
            for (; j + 4 <= window_; j += 4) {
                for (std::size_t k = 0; k < 4; ++k) {
                    const double step = a[j + k] - b[j + k];
                    sums[k] += step * step;
                }
            }
            for (; j < window_; ++j) {
                const double step = a[j] - b[j];
                sums[0] += step * step;
            }
            difference_[lag] = (sums[0] + sums[1]) + (sums[2] + sums[3]);
        }
        // Normalise by the running mean: d'(tau) = d(tau) * tau / sum_{u <= tau} d(u).
        double running = 0.0;
        difference_[0] = 1.0;
        for (std::size_t lag = 1; lag <= lastLag; ++lag) {
            running += difference_[lag];
            difference_[lag] =
                running > 0.0 ? difference_[lag] * static_cast<double>(lag) / running : 1.0;
        }
        for (std::size_t lag = std::max<std::size_t>(minLag_, 1); lag <= maxLag_; ++lag) {
            if (difference_[lag] >= threshold_) {
                continue;
            }
            // Down to the bottom of the dip.
            while (lag < maxLag_ && difference_[lag + 1] < difference_[lag]) {
                ++lag;
            }
            const double left = difference_[lag - 1];
            const double middle = difference_[lag];
            const double right = difference_[lag + 1];
            const double curvature = left - 2.0 * middle + right;
            double offset = curvature > 0.0 ? 0.5 * (left - right) / curvature : 0.0;
            offset = std::clamp(offset, -0.5, 0.5);
            return sampleRate_ / (static_cast<double>(lag) + offset);
        }
        return 0.0;
    }

  private:
    double sampleRate_;
    double threshold_;
    std::size_t window_;
    std::size_t minLag_;
    std::size_t maxLag_;
    std::vector<double> stretch_;
    std::vector<double> difference_;
};

}  // namespace speech::test
