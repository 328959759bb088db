// Enrolment as the library's own programs call it: TrainSpeaker with the reason behind its
// result.
#pragma once

#include "kelvo/core/call_reason.h"

namespace kelvo {

struct EnrolmentOutcome {
    CallReason reason = CallReason::kDone;
    // A write failed and the directory's file system has almost no room left: most likely why.
    bool spaceRunsShort = false;

    // TrainSpeaker's result: KELVO_TRAIN_OK, or the code the reason falls under.
    int TrainResult() const;
};

// Enrols recording n ("<n>.raw") for the speaker, as TrainSpeaker does.
EnrolmentOutcome Enrol(const char* speaker, int n);

}  // namespace kelvo
