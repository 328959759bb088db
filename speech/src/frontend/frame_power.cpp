#include "frame_power.h"

#include <algorithm>
#include <new>

namespace speech {
namespace {

constexpr double kLargest = 1e30;

}  // namespace

void PowerSpectrum::ConfigDeleter::operator()(kiss_fftr_state* config) const {
    kiss_fftr_free(config);
}

PowerSpectrum::PowerSpectrum(std::size_t fftSize)
    : config_(kiss_fftr_alloc(static_cast<int>(fftSize), 0, nullptr, nullptr)),
      input_(fftSize, 0.0f),
      output_(fftSize / 2 + 1) {
    if (!config_) {
        throw std::bad_alloc();
    }
}

void PowerSpectrum::Compute(std::span<const double> frame, std::span<double> power) {
    std::size_t n = 0;
    for (; n < frame.size(); ++n) {
        // Clamped so that the conversion to float stays in range whatever the caller passes.
        input_[n] = static_cast<kiss_fft_scalar>(std::clamp(frame[n], -kLargest, kLargest));
    }
    for (; n < input_.size(); ++n) {
        input_[n] = 0.0f;
    }
    kiss_fftr(config_.get(), input_.data(), output_.data());
    for (std::size_t k = 0; k < output_.size(); ++k) {
        const double re = output_[k].r;
        const double im = output_[k].i;
        power[k] = re * re + im * im;
    }
}

}  // namespace speech
