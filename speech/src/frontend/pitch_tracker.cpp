#include "pitch_tracker.h"

#include <algorithm>
#include <cmath>

namespace speech {

PitchTracker::PitchTracker(double sampleRate, const PitchOptions& options)
    : sampleRate_(sampleRate),
      threshold_(options.voicingThreshold),
      window_(static_cast<std::size_t>(std::lround(options.windowMs * sampleRate / 1000.0))),
      minLag_(static_cast<std::size_t>(std::floor(sampleRate / options.maxHz))),
      maxLag_(static_cast<std::size_t>(std::ceil(sampleRate / options.minHz))),
      lastLag_(maxLag_ + 1),
      segment_(window_ + lastLag_),
      difference_(lastLag_ + 1) {}

void PitchTracker::AddTerms(const SampleSource& signal, std::ptrdiff_t first, std::size_t count,
                            std::span<double> sums) {
    // The samples from first on, as many as the longest lag reaches.
    const std::span<double> stretch(segment_.data(), count + lastLag_);
    signal.Copy(first, stretch);
    const double* const samples = stretch.data();
    // Sample by sample, every lag at once: the lags are independent, so this loop runs on
    // vectors, where a sum over samples per lag would wait on each addition.
    // Four samples per sweep, so that each sum is loaded and stored once for four terms.
    double* const out = sums.data();
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const double s0 = samples[i];
        const double s1 = samples[i + 1];
        const double s2 = samples[i + 2];
        const double s3 = samples[i + 3];
        const double* const later = samples + i;
        for (std::size_t lag = 1; lag <= lastLag_; ++lag) {
            const double d0 = s0 - later[lag];
            const double d1 = s1 - later[lag + 1];
            const double d2 = s2 - later[lag + 2];
            const double d3 = s3 - later[lag + 3];
            out[lag] += (d0 * d0 + d1 * d1) + (d2 * d2 + d3 * d3);
        }
    }
    for (; i < count; ++i) {
        const double sample = samples[i];
        const double* const later = samples + i;
        for (std::size_t lag = 1; lag <= lastLag_; ++lag) {
            const double step = sample - later[lag];
            out[lag] += step * step;
        }
    }
}

void PitchTracker::Track(const SampleSource& signal, std::size_t firstCentre, std::size_t shift,
                         std::span<const char> wanted, std::span<float> pitch) {
    std::fill(pitch.begin(), pitch.end(), 0.0f);
    const std::size_t lags = lastLag_ + 1;
    // A stretch is `whole` blocks of one shift and `rest` samples more. Block k starts k shifts
    // after the first stretch; frame t's stretch is blocks t .. t + whole - 1 and its rest.
    const std::size_t whole = window_ / shift;
    const std::size_t rest = window_ - whole * shift;
    blocks_.assign(whole * lags, 0.0);
    std::vector<std::size_t> held(whole, 0);  // the block in each slot of the ring, plus one
    const std::ptrdiff_t firstStart =
        static_cast<std::ptrdiff_t>(firstCentre) - static_cast<std::ptrdiff_t>(window_ / 2);
    const auto step = static_cast<std::ptrdiff_t>(shift);
    for (std::size_t t = 0; t < wanted.size() && t < pitch.size(); ++t) {
        if (!wanted[t]) {
            continue;
        }
        const std::ptrdiff_t start = firstStart + static_cast<std::ptrdiff_t>(t) * step;
        std::fill(difference_.begin(), difference_.end(), 0.0);
        for (std::size_t b = 0; b < whole; ++b) {
            const std::size_t block = t + b;
            const std::span<double> sums(blocks_.data() + (block % whole) * lags, lags);
            if (held[block % whole] != block + 1) {
                std::fill(sums.begin(), sums.end(), 0.0);
                AddTerms(signal, start + static_cast<std::ptrdiff_t>(b) * step, shift, sums);
                held[block % whole] = block + 1;
            }
            for (std::size_t lag = 1; lag <= lastLag_; ++lag) {
                difference_[lag] += sums[lag];
            }
        }
        if (rest > 0) {
            AddTerms(signal, start + static_cast<std::ptrdiff_t>(whole) * step, rest, difference_);
        }
        pitch[t] = static_cast<float>(PitchOfDifference());
    }
}

double PitchTracker::PitchOfDifference() {
    // Normalise by the running mean: d'(tau) = d(tau) * tau / sum_{u <= tau} d(u).
    double running = 0.0;
    difference_[0] = 1.0;
    for (std::size_t lag = 1; lag <= lastLag_; ++lag) {
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

}  // namespace speech
