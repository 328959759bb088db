// Which frames are loud enough to be speech: those whose log energy lies within kSpeechRangeDb
// of the loudest frame's. The model takes its speech and voiced frames from these alone, and
// the front end tracks pitch for them alone, since no other frame's pitch is ever looked at.
#pragma once

#include <numbers>

namespace speech {

inline constexpr double kSpeechRangeDb = 25.0;

// A level difference in decibels as a difference of natural-log energies.
constexpr double LogEnergyRange(double decibels) {
    return decibels * std::numbers::ln10 / 10.0;
}

}  // namespace speech
