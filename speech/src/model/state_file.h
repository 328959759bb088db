// The state file: the model vector on its first line, then every model's parameters.
#pragma once

#include <string>
#include <vector>

#include "state_statistics.h"

namespace speech {

std::string FormatStateFile(const std::vector<double>& modelVector,
                            const std::vector<ModelParameters>& models);

// One line of numbers, e.g. the variance floor file.
std::string FormatNumberLine(const std::vector<double>& values);

}  // namespace speech
