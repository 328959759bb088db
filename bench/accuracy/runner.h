// Runs the planned enrolments and trials through libkelvo, the way the demo program does.
#pragma once

#include <cstddef>
#include <filesystem>
#include <vector>

#include "corpus.h"
#include "trials.h"

namespace accuracy {

// Runs every enrolment in worker processes of their own, each in its own folder under
// workRoot, because the library keeps all its files in the current directory. A worker
// enrols the recording as "1.raw" and "2.raw" into a fresh "kelvo.cfg", keeps that profile,
// and for each trial puts the profile back, copies the attempt to "3.raw" and calls
// EvalSpeaker. Progress goes to stderr. Throws std::runtime_error when a worker cannot be
// started or does not finish its share.
std::vector<EnrolmentOutcome> RunTrials(const std::vector<Recording>& recordings,
                                        const std::vector<Enrolment>& enrolments, int jobs,
                                        const std::filesystem::path& workRoot);

}  // namespace accuracy
