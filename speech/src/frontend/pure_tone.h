// Whether a frame is a pure tone rather than a voice: a whistle, a test tone or a sweep is as
// periodic as a vowel, but a voice spreads its power over many harmonics while a sine puts
// nearly all of it into the window's main lobe, three neighbouring bins of the spectrum.
#pragma once

#include <span>

namespace speech {

// Share of the power in the strongest three neighbouring bins above which a frame is a tone.
inline constexpr double kPureToneShare = 0.9;

// power: the frame's power spectrum |X_k|^2. False for a frame without power.
bool IsPureTone(std::span<const double> power);

}  // namespace speech
