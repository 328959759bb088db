// Removes the recording's DC offset: the mean of the whole signal is subtracted from every
// sample, so an 8-bit recording's bias leaves no trace in the energy or the spectrum.
#pragma once

#include <span>

namespace speech {

void RemoveMean(std::span<double> signal);

}  // namespace speech
