// The power spectrum of one windowed frame, zero-padded to a power-of-two length and
// transformed with the KISS FFT real transform. The transform's tables and buffers are made
// once here and reused for every frame.
#pragma once

#include <kiss_fftr.h>

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

namespace speech {

class PowerSpectrum {
  public:
    // fftSize: even, at least 2.
    explicit PowerSpectrum(std::size_t fftSize);

    std::size_t FftSize() const { return input_.size(); }
    std::size_t Bins() const { return output_.size(); }  // fftSize / 2 + 1

    // power[k] = |X_k|^2 for k = 0..fftSize/2, where X is the transform of the frame followed
    // by zeros. frame.size() <= fftSize, power.size() == Bins().
    void Compute(std::span<const double> frame, std::span<double> power);

  private:
    struct ConfigDeleter {
        void operator()(kiss_fftr_state* config) const;
    };

    std::unique_ptr<kiss_fftr_state, ConfigDeleter> config_;
    std::vector<kiss_fft_scalar> input_;
    std::vector<kiss_fft_cpx> output_;
};

}  // namespace speech
