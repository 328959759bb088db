// Why an enrolment or a verification ended as it did. The exported calls fold every reason
// into one result code or a score of 0.0; the library's own programs need more: a fault of
// the working directory must never pass for a decision about a voice.
#pragma once

namespace kelvo {

enum class CallReason {
    kDone,  // enrolled; or compared (accepted or rejected by the comparison)

    // The caller's argument.
    kBadSpeakerName,  // null, empty, white space, or longer than kMaxSpeakerNameLength

    // The working directory: faults, whatever the recording holds.
    kLockUnusable,         // "kelvo.lock" cannot be created or opened, or is no regular file
    kDirectoryBusy,        // another call held the directory for the whole lock timeout
    kWorkFilesNotWritten,  // a list file or "states.txt" could not be replaced or removed
    kFeaturesNotWritten,   // the speech library could not write the recording's features
    kModelNotWritten,      // the speech library could not write "states.txt"
    kTransitionsUnusable,  // "trans.txt" is there but unreadable, no regular file or malformed
    kSpeechLibraryFailed,  // any other failure of the speech library
    kProfileUnusable,      // "kelvo.cfg" is no regular file, or cannot be read
    kProfileNotWritten,    // the new line could not be added; the profile is as it was
    kEnrolmentUnreadable,  // the speaker's first or last profile line is damaged

    // The recording.
    kRecordingUnreadable,  // "<n>.raw" missing, no regular file, or unreadable
    kRecordingTooLong,     // longer than the 10 minutes a recording may last
    kRecordingMalformed,   // a RIFF file that is not 8-bit mono PCM
    kNoVoice,              // too little speech, no voice (silence, noise, tones, machines)
    kTakesDisagree,        // several takes of the password, none matching another

    // The profile.
    kNotEnrolled,  // no line of the speaker
};

enum class ReasonKind {
    kDone,
    kArgument,   // the call's argument is wrong
    kSetUp,      // the working directory or the speech library failed: a fault
    kBusy,       // the directory was busy: trying again later may work
    kRecording,  // the recording cannot be read or used
    kNoVoice,    // the recording was read but holds no voice to model
    kNotEnrolled,
};

ReasonKind KindOf(CallReason reason);

// Whether the reason is a write that failed: a full disk is the likeliest cause.
bool IsWriteFault(CallReason reason);

// The reason as a sentence without a final full stop, naming the file concerned.
const char* ReasonText(CallReason reason);

// A short stable word for the reason ("done", "lock-unusable", ...), for machine-readable
// output.
const char* ReasonName(CallReason reason);

}  // namespace kelvo
