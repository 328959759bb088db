// Verification: a fresh recording is scored against the speaker's enrolment.
#include "kelvo/core/verification.h"

#include "kelvo/core/feature_pipeline.h"
#include "kelvo/core/model_vector.h"
#include "kelvo/core/profile_store.h"
#include "kelvo/core/work_lock.h"
#include "kelvo/kelvo.h"

namespace kelvo {
namespace {

VerificationOutcome Failed(CallReason reason, int n) {
    VerificationOutcome outcome;
    outcome.reason = reason;
    outcome.spaceRunsShort = IsWriteFault(reason) && SpaceRunsShort(n);
    return outcome;
}

VerificationOutcome VerifyHoldingLock(const char* speaker, int n) {
    const FeaturePipelineRun run = RunFeaturePipeline(n);
    if (const CallReason reason = ReasonOf(run); reason != CallReason::kDone) {
        return Failed(reason, n);
    }
    ModelVector test{};
    if (!ReadModelVector(test, ModelVectorUse::kVerification)) {
        return Failed(CallReason::kSpeechLibraryFailed, n);
    }
    const std::optional<EnrolledVectors> enrolled = ReadProfile(speaker);
    if (!enrolled) {
        return Failed(CallReason::kProfileUnusable, n);
    }
    if (enrolled->lines == 0) {
        return Failed(CallReason::kNotEnrolled, n);
    }
    if (!enrolled->Complete()) {
        return Failed(CallReason::kEnrolmentUnreadable, n);
    }
    VerificationOutcome outcome;
    outcome.comparison = CompareVectors(*enrolled->first, *enrolled->second, test, kPassThreshold);
    return outcome;
}

}  // namespace

VerificationOutcome Verify(const char* speaker, int n) {
    if (!IsStorableSpeakerName(speaker)) {
        return Failed(CallReason::kBadSpeakerName, n);
    }
    // Held until the profile has been read and the recording compared.
    const WorkDirLock lock;
    if (!lock.Held()) {
        return Failed(ReasonOf(lock.State()), n);
    }
    return VerifyHoldingLock(speaker, n);
}

}  // namespace kelvo

extern "C" double EvalSpeaker(const char* speaker, int n) {
    return kelvo::Verify(speaker, n).Score();
}
