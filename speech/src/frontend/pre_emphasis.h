// First-order high-pass over the whole signal, y[n] = x[n] - a x[n-1], with the first sample
// taken as its own predecessor (y[0] = x[0] - a x[0]), so that frames see a flatter spectrum.
#pragma once

#include <span>

namespace speech {

void PreEmphasize(std::span<double> signal, double coefficient);

}  // namespace speech
