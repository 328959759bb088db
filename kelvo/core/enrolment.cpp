// Enrolment: one recording of the speaker's password becomes one profile line.
#include "kelvo/core/enrolment.h"

#include "kelvo/core/feature_pipeline.h"
#include "kelvo/core/model_vector.h"
#include "kelvo/core/profile_store.h"
#include "kelvo/core/work_lock.h"
#include "kelvo/kelvo.h"

namespace kelvo {
namespace {

EnrolmentOutcome EnrolHoldingLock(const char* speaker, int n) {
    const FeaturePipelineRun run = RunFeaturePipeline(n);
    if (const CallReason reason = ReasonOf(run); reason != CallReason::kDone) {
        return {reason, IsWriteFault(reason) && SpaceRunsShort(n)};
    }
    ModelVector vector{};
    if (!ReadModelVector(vector, ModelVectorUse::kEnrolment)) {
        return {CallReason::kSpeechLibraryFailed};
    }
    const CallReason reason = AppendProfileLine(speaker, n, vector);
    return {reason, IsWriteFault(reason) && SpaceRunsShort(n)};
}

}  // namespace

int EnrolmentOutcome::TrainResult() const {
    switch (reason) {
        case CallReason::kDone:
            return KELVO_TRAIN_OK;
        case CallReason::kBadSpeakerName:
            return KELVO_TRAIN_BAD_NAME;
        case CallReason::kLockUnusable:
        case CallReason::kDirectoryBusy:
        case CallReason::kProfileUnusable:
        case CallReason::kProfileNotWritten:
        case CallReason::kEnrolmentUnreadable:
        case CallReason::kNotEnrolled:
            return KELVO_TRAIN_PROFILE_NOT_WRITTEN;
        default:
            return KELVO_TRAIN_NO_MODEL_VECTOR;  // the pipeline gave no vector
    }
}

EnrolmentOutcome Enrol(const char* speaker, int n) {
    if (!IsStorableSpeakerName(speaker)) {
        return {CallReason::kBadSpeakerName};
    }
    // Held until the profile line has been written and read back.
    const WorkDirLock lock;
    if (!lock.Held()) {
        return {ReasonOf(lock.State())};
    }
    return EnrolHoldingLock(speaker, n);
}

}  // namespace kelvo

extern "C" int TrainSpeaker(const char* speaker, int n) {
    return kelvo::Enrol(speaker, n).TrainResult();
}
