// Verification: a fresh recording is scored against the speaker's enrolment.
#include "kelvo/core/feature_pipeline.h"
#include "kelvo/core/model_vector.h"
#include "kelvo/core/profile_store.h"
#include "kelvo/core/scoring.h"
#include "kelvo/core/work_lock.h"
#include "kelvo/kelvo.h"

namespace {

constexpr double kRejected = 0.0;

}  // namespace

extern "C" double EvalSpeaker(const char* speaker, int n) {
    using namespace kelvo;
    if (!IsStorableSpeakerName(speaker)) {
        return kRejected;
    }
    // Held until the profile has been read.
    const WorkDirLock lock;
    if (!lock.Held()) {
        return kRejected;
    }
    const FeaturePipelineRun run = RunFeaturePipeline(n);
    ModelVector test{};
    if (!run.Scorable() || !ReadModelVector(test, ModelVectorUse::kVerification)) {
        return kRejected;
    }
    const EnrolledVectors enrolled = ReadProfile(speaker);
    if (!enrolled.Complete()) {
        return kRejected;
    }
    const Comparison comparison =
        CompareVectors(*enrolled.first, *enrolled.second, test, kPassThreshold);
    return comparison.accepted ? comparison.mean : kRejected;
}
