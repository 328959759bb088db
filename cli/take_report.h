// A take's quality as the command reports it: in the JSON object, and the advice that goes
// with a poor one.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

#include "kelvo/core/take_quality.h"

namespace kelvo_cli {

struct TakeReport {
    kelvo::TakeProblem problem = kelvo::TakeProblem::kNone;
    std::string advice;  // empty when nothing is wrong or the recording could not be read
    nlohmann::json json;
};

// Measures recording n of the working directory.
TakeReport ReportTake(int n);

}  // namespace kelvo_cli
