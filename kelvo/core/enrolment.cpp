// Enrolment: one recording of the speaker's password becomes one profile line.
#include "kelvo/core/feature_pipeline.h"
#include "kelvo/core/model_vector.h"
#include "kelvo/core/profile_store.h"
#include "kelvo/core/work_lock.h"
#include "kelvo/kelvo.h"

extern "C" int TrainSpeaker(const char* speaker, int n) {
    using namespace kelvo;
    if (!IsStorableSpeakerName(speaker)) {
        return KELVO_TRAIN_BAD_NAME;
    }
    // Held until the profile line has been written and read back.
    const WorkDirLock lock;
    if (!lock.Held()) {
        return KELVO_TRAIN_PROFILE_NOT_WRITTEN;
    }
    const FeaturePipelineRun run = RunFeaturePipeline(n);
    ModelVector vector{};
    if (!run.Scorable() || !ReadModelVector(vector, ModelVectorUse::kEnrolment)) {
        return KELVO_TRAIN_NO_MODEL_VECTOR;
    }
    if (!AppendProfileLine(speaker, n, vector)) {
        return KELVO_TRAIN_PROFILE_NOT_WRITTEN;
    }
    return KELVO_TRAIN_OK;
}
