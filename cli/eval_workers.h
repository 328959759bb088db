// Runs the trials of kelvo eval. The library takes one call at a time per process and works
// in the working directory, so the enrolments are shared out among worker processes, each
// in a directory of its own: a worker enrols its recordings there (under generated speaker
// names) and verifies each one's tests against it, reporting every result through a pipe.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "trial_list.h"

namespace kelvo_cli {

struct EvalOutcome {
    std::vector<int> trainResults;              // TrainSpeaker's result per enrolment
    std::vector<std::optional<double>> scores;  // per trial; none when its enrolment failed
};

// Called as enrolments and trials finish (a failed enrolment finishes its trials too).
using ProgressFunction = std::function<void(std::size_t done, std::size_t total)>;

// Runs every enrolment and trial on up to `jobs` workers in directories under `work`. Throws
// CliError when a worker cannot convert a file (its error) or ends without its results.
EvalOutcome RunTrials(const TrialList& list, int jobs, const std::filesystem::path& work,
                      const ProgressFunction& progress);

}  // namespace kelvo_cli
