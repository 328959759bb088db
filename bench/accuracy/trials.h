// Which verification attempts the bench makes, and the counts it reports.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "corpus.h"

namespace accuracy {

enum class TrialKind {
    kGenuine,      // same voice, same phrase, another session: should be accepted
    kImpostor,     // another voice saying the same phrase: should be rejected
    kWrongPhrase,  // same voice saying a phrase without a word of the enrolled one: rejected
    kNearPhrase,   // same voice saying another phrase with a word of the enrolled one: rejected
};

// Whether two phrase ids share a word: the ids are words joined by '-' ("open-door").
bool ShareWord(std::string_view phrase, std::string_view other);

struct Trial {
    std::size_t test = 0;  // index of the attempted recording
    TrialKind kind = TrialKind::kGenuine;
};

// One enrolment recording (enrolled twice, as recordings 1 and 2) and the attempts verified
// against it.
struct Enrolment {
    std::size_t recording = 0;
    std::vector<Trial> trials;
};

// Every clean recording becomes an enrolment; its trials are every other recording, clean or
// changed, of the same voice or the same phrase, except the changed versions of the enrolled
// recording itself. Another voice saying another phrase is not tried. With maxImpostors > 0 an
// enrolment keeps at most that many impostor trials, taken in turn from every other voice
// (starting at a voice that moves on with each enrolment) and within a voice in an order
// mixed from the enrolment and the recording: the same choice on every run.
std::vector<Enrolment> PlanTrials(const std::vector<Recording>& recordings, int maxImpostors = 0);

// Attempts and acceptances of one group of trials.
struct Count {
    std::size_t trials = 0;
    std::size_t accepted = 0;
    double acceptedScoreSum = 0.0;

    void Add(double score);
    std::size_t Rejected() const { return trials - accepted; }
    // Percentage of trials accepted, or rejected; 0 without trials.
    double AcceptedPercent() const;
    double RejectedPercent() const;
    // Mean score of the accepted trials; 0 when none was accepted.
    double MeanAcceptedScore() const;
};

// The counts that the report shows, by kind and broken down by voice, by phrase, by the
// attempt's change and, for trials with another phrase, by (enrolled phrase, attempted phrase).
struct Tally {
    std::size_t enrolments = 0;
    std::size_t failedEnrolments = 0;
    std::size_t trialsSkipped = 0;                // the trials of failed enrolments: not run
    std::map<int, std::size_t> failuresByResult;  // failed enrolments by TrainSpeaker's result
    std::vector<std::size_t> failedRecordings;    // the recordings that did not enrol
    std::map<TrialKind, Count> byKind;
    std::map<std::pair<std::string, TrialKind>, Count> byVoice;             // enrolled voice
    std::map<std::pair<std::string, TrialKind>, Count> byPhrase;            // enrolled phrase
    std::map<std::pair<std::string, TrialKind>, Count> byChange;            // the attempt's change
    std::map<std::pair<std::string, std::string>, Count> otherPhrasePairs;  // wrong and near
};

// The outcome of one enrolment: TrainSpeaker's result (0 when both calls enrolled, else the
// first failing call's), and the score of each of its trials in plan order (EvalSpeaker's
// result: 0 = rejected; no scores when the enrolment failed).
struct EnrolmentOutcome {
    int trainResult = 0;
    std::vector<double> scores;

    bool Enrolled() const { return trainResult == 0; }
};

Tally TallyOutcomes(const std::vector<Recording>& recordings,
                    const std::vector<Enrolment>& enrolments,
                    const std::vector<EnrolmentOutcome>& outcomes);

}  // namespace accuracy
