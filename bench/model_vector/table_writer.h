// Writes model vector parameters as the C++ source of the speech library's shipped table.
#pragma once

#include <string>

#include "model_vector.h"

namespace fitting {

// `provenance`: comment lines saying how the table was made (each without "// ").
std::string FormatParameterTable(const speech::ModelVectorParameters& parameters,
                                 const std::string& provenance);

}  // namespace fitting
