// Cutting the signal into frames: frame t covers samples [t * shift, t * shift + window), and
// only frames whose whole window lies inside the signal are taken.
#pragma once

#include <cstddef>

namespace speech {

// 1 + (samples - window) / shift when the signal holds one window, else 0. window, shift >= 1.
constexpr std::size_t FrameCount(std::size_t samples, std::size_t window, std::size_t shift) {
    return samples < window ? 0 : 1 + (samples - window) / shift;
}

constexpr std::size_t FrameStart(std::size_t frame, std::size_t shift) {
    return frame * shift;
}

}  // namespace speech
