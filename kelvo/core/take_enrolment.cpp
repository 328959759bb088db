// Several takes of the password compared before any of them is stored.
#include "kelvo/core/take_enrolment.h"

#include "kelvo/core/feature_pipeline.h"
#include "kelvo/core/model_vector.h"
#include "kelvo/core/profile_store.h"
#include "kelvo/core/work_lock.h"

namespace kelvo {
namespace {

TakesEnrolmentOutcome Failed(TakesEnrolmentOutcome outcome, CallReason reason, int n) {
    outcome.reason = reason;
    outcome.spaceRunsShort = IsWriteFault(reason) && SpaceRunsShort(n);
    return outcome;
}

TakesEnrolmentOutcome EnrolHoldingLock(const char* speaker, const std::vector<int>& ns) {
    TakesEnrolmentOutcome outcome;
    outcome.takes.assign(ns.size(), CallReason::kDone);
    std::vector<ModelVector> vectors;
    for (std::size_t i = 0; i < ns.size(); ++i) {
        const FeaturePipelineRun run = RunFeaturePipeline(ns[i]);
        CallReason reason = ReasonOf(run);
        ModelVector vector{};
        if (reason == CallReason::kDone && !ReadModelVector(vector, ModelVectorUse::kEnrolment)) {
            reason = CallReason::kSpeechLibraryFailed;
        }
        outcome.takes[i] = reason;
        if (reason == CallReason::kDone) {
            outcome.usable.push_back(i);
            vectors.push_back(vector);
        } else if (KindOf(reason) != ReasonKind::kNoVoice &&
                   KindOf(reason) != ReasonKind::kRecording) {
            // A fault of the directory or the speech library: the other takes would meet it
            // too, and nothing may be stored from a comparison that missed a take.
            std::fill(outcome.takes.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                      outcome.takes.end(), reason);
            return Failed(outcome, reason, ns[i]);
        }
    }
    if (vectors.empty()) {
        outcome.reason = ns.empty() ? CallReason::kNoVoice : outcome.takes.front();
        return outcome;
    }
    outcome.agreement = CompareTakes(vectors);
    if (outcome.agreement.noneAgree) {
        outcome.reason = CallReason::kTakesDisagree;
        return outcome;
    }
    const std::size_t central = outcome.usable[outcome.agreement.central];
    const CallReason reason =
        AppendProfileLine(speaker, ns[central], MeanOfTakes(vectors, outcome.agreement.outliers));
    if (reason != CallReason::kDone) {
        return Failed(outcome, reason, ns[central]);
    }
    for (std::size_t u = 0; u < outcome.usable.size(); ++u) {
        if (!outcome.agreement.IsOutlier(u)) {
            outcome.stored.push_back(outcome.usable[u]);
        }
    }
    return outcome;
}

}  // namespace

TakesEnrolmentOutcome EnrolTakes(const char* speaker, const std::vector<int>& ns) {
    if (!IsStorableSpeakerName(speaker)) {
        TakesEnrolmentOutcome outcome;
        outcome.reason = CallReason::kBadSpeakerName;
        outcome.takes.assign(ns.size(), CallReason::kBadSpeakerName);
        return outcome;
    }
    // Held from the first take's features until the stored lines have been read back.
    const WorkDirLock lock;
    if (!lock.Held()) {
        TakesEnrolmentOutcome outcome;
        outcome.reason = ReasonOf(lock.State());
        outcome.takes.assign(ns.size(), outcome.reason);
        return outcome;
    }
    return EnrolHoldingLock(speaker, ns);
}

}  // namespace kelvo
