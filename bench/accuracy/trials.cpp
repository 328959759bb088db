#include "trials.h"

namespace accuracy {

std::vector<Enrolment> PlanTrials(const std::vector<Recording>& recordings) {
    std::vector<Enrolment> enrolments;
    enrolments.reserve(recordings.size());
    for (std::size_t e = 0; e < recordings.size(); ++e) {
        Enrolment enrolment;
        enrolment.recording = e;
        const Recording& enrolled = recordings[e];
        for (std::size_t t = 0; t < recordings.size(); ++t) {
            const Recording& test = recordings[t];
            const bool sameVoice = test.voice == enrolled.voice;
            const bool samePhrase = test.phrase == enrolled.phrase;
            if (t == e) {
                continue;
            }
            if (sameVoice && samePhrase) {
                enrolment.trials.push_back({t, TrialKind::kGenuine});
            } else if (samePhrase) {
                enrolment.trials.push_back({t, TrialKind::kImpostor});
            } else if (sameVoice) {
                enrolment.trials.push_back({t, TrialKind::kWrongPhrase});
            }
        }
        enrolments.push_back(std::move(enrolment));
    }
    return enrolments;
}

void Count::Add(double score) {
    ++trials;
    // EvalSpeaker returns exactly 0.0 for a rejection and the mean similarity otherwise.
    if (score != 0.0) {
        ++accepted;
        acceptedScoreSum += score;
    }
}

double Count::AcceptedPercent() const {
    return trials == 0 ? 0.0 : 100.0 * static_cast<double>(accepted) / static_cast<double>(trials);
}

double Count::RejectedPercent() const {
    return trials == 0 ? 0.0 : 100.0 - AcceptedPercent();
}

double Count::MeanAcceptedScore() const {
    return accepted == 0 ? 0.0 : acceptedScoreSum / static_cast<double>(accepted);
}

Tally TallyOutcomes(const std::vector<Recording>& recordings,
                    const std::vector<Enrolment>& enrolments,
                    const std::vector<EnrolmentOutcome>& outcomes) {
    Tally tally;
    for (std::size_t e = 0; e < enrolments.size(); ++e) {
        const Enrolment& enrolment = enrolments[e];
        const EnrolmentOutcome& outcome = outcomes[e];
        ++tally.enrolments;
        if (!outcome.Enrolled()) {
            ++tally.failedEnrolments;
            tally.trialsSkipped += enrolment.trials.size();
            ++tally.failuresByResult[outcome.trainResult];
            tally.failedRecordings.push_back(enrolment.recording);
            continue;
        }
        const Recording& enrolled = recordings[enrolment.recording];
        for (std::size_t t = 0; t < enrolment.trials.size(); ++t) {
            const Trial& trial = enrolment.trials[t];
            const double score = outcome.scores.at(t);
            tally.byKind[trial.kind].Add(score);
            tally.byVoice[{enrolled.voice, trial.kind}].Add(score);
            tally.byPhrase[{enrolled.phrase, trial.kind}].Add(score);
            if (trial.kind == TrialKind::kWrongPhrase) {
                tally.wrongPhrasePairs[{enrolled.phrase, recordings[trial.test].phrase}].Add(score);
            }
        }
    }
    return tally;
}

}  // namespace accuracy
