// What a take of the password sounds like, from its samples alone: how much speech, how loud,
// whether clipped, how far above its background. It tells a user why a take gave no voice and
// which takes are poor enough to say again; it plays no part in the decision itself.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvo {

struct TakeQuality {
    double seconds = 0.0;          // the whole recording
    double speechSeconds = 0.0;    // 10 ms frames within 30 dB of the loudest and above -50 dBFS
    double loudestDb = -120.0;     // the loudest 10 ms frame, dB of full scale (RMS)
    double backgroundDb = -120.0;  // the quietest fifth of the frames, their upper end
    long long clippedSamples = 0;  // samples at the ends of the 8-bit range
};

// The measures of an 8-bit unsigned recording (its samples, a RIFF header already skipped).
TakeQuality MeasureTake(std::string_view samples);

// The measures of recording n ("<n>.raw", raw or with a RIFF/WAVE header); nothing when it
// cannot be read.
std::optional<TakeQuality> MeasureRecording(int n);

enum class TakeProblem {
    kNone,
    kSilent,    // nothing above the 8-bit noise
    kTooShort,  // under half a second of speech
    kTooQuiet,  // the loudest part far under full scale
    kClipped,   // many samples at full scale
    kNoisy,     // the background close under the speech
};

// The worst problem of the take, in the order above.
TakeProblem ProblemOf(const TakeQuality& quality);

// What is wrong and what to do about it, as a sentence without a final full stop; empty for
// kNone.
std::string Advice(TakeProblem problem, const TakeQuality& quality);

// "silent", "too-short", ..., "none".
const char* ProblemName(TakeProblem problem);

}  // namespace kelvo
