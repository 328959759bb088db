// Verification as the library's own programs call it: EvalSpeaker with the reason behind a
// score of 0.0.
#pragma once

#include "kelvo/core/call_reason.h"
#include "kelvo/core/scoring.h"

namespace kelvo {

struct VerificationOutcome {
    // kDone when the recording was compared with the enrolment; the comparison then decides.
    CallReason reason = CallReason::kDone;
    bool spaceRunsShort = false;  // as EnrolmentOutcome's
    Comparison comparison;

    bool Accepted() const { return reason == CallReason::kDone && comparison.accepted; }
    // EvalSpeaker's result: the mean similarity when accepted, else exactly 0.0.
    double Score() const { return Accepted() ? comparison.mean : 0.0; }
};

// Scores recording n against the speaker's enrolment, as EvalSpeaker does.
VerificationOutcome Verify(const char* speaker, int n);

}  // namespace kelvo
