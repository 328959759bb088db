// The samples of a recording as the stages read them: a stretch at a time, copied out with
// zeros wherever it runs past either end, so that the stages need not care how the recording
// is held. A recording read from a file stays in its bytes, one per sample, and each stretch
// is turned into numbers as it is needed: a pass then holds an eighth of the memory, and the
// numbers are exactly those of the samples decoded whole.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace speech {

class SampleSource {
  public:
    virtual ~SampleSource() = default;
    virtual std::size_t Size() const = 0;
    // Samples [first, first + out.size()) into out, 0 outside [0, Size()).
    virtual void Copy(std::ptrdiff_t first, std::span<double> out) const = 0;
};

// Samples held as numbers.
class NumberSamples final : public SampleSource {
  public:
    explicit NumberSamples(std::span<const double> samples) : samples_(samples) {}
    std::size_t Size() const override { return samples_.size(); }
    void Copy(std::ptrdiff_t first, std::span<double> out) const override;

  private:
    std::span<const double> samples_;
};

// 8-bit unsigned samples (128 is silence), as b - 128 - offset: with the mean of b - 128 as
// the offset, the zero-mean signal, equal to the decoded samples with their mean removed.
class ByteSamples final : public SampleSource {
  public:
    ByteSamples(std::string_view bytes, double offset) : bytes_(bytes), offset_(offset) {}
    std::size_t Size() const override { return bytes_.size(); }
    void Copy(std::ptrdiff_t first, std::span<double> out) const override;

    // The mean of b - 128, summed in order as over the decoded samples.
    static double Mean(std::string_view bytes);

  private:
    std::string_view bytes_;
    double offset_;
};

}  // namespace speech
