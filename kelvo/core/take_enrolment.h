// Enrolment from several takes of the password said in one sitting: the takes are compared
// with each other by the verifier's own rule, a take that is off is named and left out, and
// the mean of the others is stored as one profile line (what verifies best: see
// take_agreement.h).
#pragma once

#include <cstddef>
#include <vector>

#include "kelvo/core/call_reason.h"
#include "kelvo/core/take_agreement.h"

namespace kelvo {

struct TakesEnrolmentOutcome {
    // kDone when a take was stored. Otherwise the first fault (which ends the call), or
    // kNoVoice when no take gave a model vector, or kTakesDisagree when no two takes match.
    CallReason reason = CallReason::kDone;
    bool spaceRunsShort = false;  // as EnrolmentOutcome's
    // Per take, in the order given: kDone when it gave a model vector, else why not. Takes
    // after a fault are not tried and keep the fault's reason.
    std::vector<CallReason> takes;
    // The comparison of the takes that gave a model vector; its indices are into `usable`.
    std::vector<std::size_t> usable;
    TakeAgreement agreement;
    // The takes whose mean was stored (indices into the takes given); the line carries the
    // recording number of the central one. Empty when nothing was stored.
    std::vector<std::size_t> stored;
};

// Enrols the speaker from recordings ns ("<n>.raw"), all under one hold of the directory:
// each take's model vector, the comparison, then one profile line. A single take is enrolled
// as Enrol enrols it.
TakesEnrolmentOutcome EnrolTakes(const char* speaker, const std::vector<int>& ns);

}  // namespace kelvo
