#include "trials.h"

#include <algorithm>
#include <cstdint>

namespace accuracy {
namespace {

std::vector<std::string_view> Words(std::string_view phrase) {
    std::vector<std::string_view> words;
    for (;;) {
        const std::size_t dash = phrase.find('-');
        words.push_back(phrase.substr(0, dash));
        if (dash == std::string_view::npos) {
            return words;
        }
        phrase.remove_prefix(dash + 1);
    }
}

// A well-mixed 64-bit value of a pair of numbers (splitmix64's finaliser).
std::uint64_t Mix(std::uint64_t a, std::uint64_t b) {
    std::uint64_t x = a * 0x9e3779b97f4a7c15ULL + b;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

// Keeps `limit` of the impostor trials of enrolment `e`: one from each voice in turn, the
// first voice moving on with e, each voice's recordings in an order mixed from e and their
// index. The trials keep their plan order. voiceOf[r] numbers recording r's voice, below
// voiceCount.
void LimitImpostors(const std::vector<std::size_t>& voiceOf, std::size_t voiceCount, std::size_t e,
                    std::size_t limit, std::vector<Trial>& trials) {
    std::vector<std::vector<std::size_t>> byVoice(voiceCount);  // positions in trials
    std::size_t impostors = 0;
    for (std::size_t i = 0; i < trials.size(); ++i) {
        if (trials[i].kind == TrialKind::kImpostor) {
            byVoice[voiceOf[trials[i].test]].push_back(i);
            ++impostors;
        }
    }
    if (impostors <= limit) {
        return;
    }
    for (std::vector<std::size_t>& positions : byVoice) {
        std::sort(positions.begin(), positions.end(), [&](std::size_t a, std::size_t b) {
            return Mix(e, trials[a].test) < Mix(e, trials[b].test);
        });
    }
    std::vector<bool> kept(trials.size());
    for (std::size_t i = 0; i < trials.size(); ++i) {
        kept[i] = trials[i].kind != TrialKind::kImpostor;
    }
    std::size_t taken = 0;
    for (std::size_t round = 0; taken < limit; ++round) {
        for (std::size_t k = 0; k < voiceCount && taken < limit; ++k) {
            const std::vector<std::size_t>& positions = byVoice[(e + k) % voiceCount];
            if (round < positions.size()) {
                kept[positions[round]] = true;
                ++taken;
            }
        }
    }
    std::size_t out = 0;
    for (std::size_t i = 0; i < trials.size(); ++i) {
        if (kept[i]) {
            trials[out++] = trials[i];
        }
    }
    trials.resize(out);
}

}  // namespace

bool ShareWord(std::string_view phrase, std::string_view other) {
    const std::vector<std::string_view> words = Words(phrase);
    for (std::string_view word : Words(other)) {
        if (std::find(words.begin(), words.end(), word) != words.end()) {
            return true;
        }
    }
    return false;
}

std::vector<Enrolment> PlanTrials(const std::vector<Recording>& recordings, int maxImpostors) {
    const std::vector<std::string> voices = Voices(recordings);
    std::vector<std::size_t> voiceOf;
    voiceOf.reserve(recordings.size());
    for (const Recording& recording : recordings) {
        voiceOf.push_back(static_cast<std::size_t>(
            std::find(voices.begin(), voices.end(), recording.voice) - voices.begin()));
    }
    std::vector<Enrolment> enrolments;
    for (std::size_t e = 0; e < recordings.size(); ++e) {
        const Recording& enrolled = recordings[e];
        if (!enrolled.Clean()) {
            continue;
        }
        Enrolment enrolment;
        enrolment.recording = e;
        for (std::size_t t = 0; t < recordings.size(); ++t) {
            const Recording& test = recordings[t];
            const bool sameVoice = test.voice == enrolled.voice;
            const bool samePhrase = test.phrase == enrolled.phrase;
            if (sameVoice && samePhrase && test.session == enrolled.session) {
                continue;  // the enrolled recording, or a changed version of it
            }
            if (sameVoice && samePhrase) {
                enrolment.trials.push_back({t, TrialKind::kGenuine});
            } else if (samePhrase) {
                enrolment.trials.push_back({t, TrialKind::kImpostor});
            } else if (sameVoice) {
                enrolment.trials.push_back({t, ShareWord(enrolled.phrase, test.phrase)
                                                   ? TrialKind::kNearPhrase
                                                   : TrialKind::kWrongPhrase});
            }
        }
        if (maxImpostors > 0) {
            LimitImpostors(voiceOf, voices.size(), e, static_cast<std::size_t>(maxImpostors),
                           enrolment.trials);
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
            const Recording& test = recordings[trial.test];
            tally.byChange[{test.change, trial.kind}].Add(score);
            if (test.phrase != enrolled.phrase) {
                tally.otherPhrasePairs[{enrolled.phrase, test.phrase}].Add(score);
            }
        }
    }
    return tally;
}

}  // namespace accuracy
