#include "sample_source.h"

#include <algorithm>

namespace speech {
namespace {

// The part of [first, first + count) inside [0, size), as offsets into the stretch; the
// rest is zeroed.
template <typename Fill>
void CopyInside(std::ptrdiff_t first, std::span<double> out, std::size_t size, Fill fill) {
    const auto end = first + static_cast<std::ptrdiff_t>(out.size());
    const std::ptrdiff_t from = std::clamp<std::ptrdiff_t>(-first, 0, std::ssize(out));
    const std::ptrdiff_t to =
        std::clamp<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(size) - first, from, end - first);
    std::fill(out.begin(), out.begin() + from, 0.0);
    for (std::ptrdiff_t i = from; i < to; ++i) {
        out[static_cast<std::size_t>(i)] = fill(static_cast<std::size_t>(first + i));
    }
    std::fill(out.begin() + to, out.end(), 0.0);
}

}  // namespace

void NumberSamples::Copy(std::ptrdiff_t first, std::span<double> out) const {
    CopyInside(first, out, samples_.size(), [this](std::size_t n) { return samples_[n]; });
}

void ByteSamples::Copy(std::ptrdiff_t first, std::span<double> out) const {
    CopyInside(first, out, bytes_.size(), [this](std::size_t n) {
        return (static_cast<double>(static_cast<unsigned char>(bytes_[n])) - 128.0) - offset_;
    });
}

double ByteSamples::Mean(std::string_view bytes) {
    if (bytes.empty()) {
        return 0.0;
    }
    double sum = 0.0;
    for (const char byte : bytes) {
        sum += static_cast<double>(static_cast<unsigned char>(byte)) - 128.0;
    }
    return sum / static_cast<double>(bytes.size());
}

}  // namespace speech
