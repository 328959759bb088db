#include "kelvo/core/call_reason.h"

namespace kelvo {
namespace {

struct ReasonEntry {
    CallReason reason;
    ReasonKind kind;
    const char* name;
    const char* text;
};

// clang-format off
constexpr ReasonEntry kReasons[] = {
    {CallReason::kDone, ReasonKind::kDone, "done", "done"},
    {CallReason::kBadSpeakerName, ReasonKind::kArgument, "bad-name",
     "the speaker name is not one token of 1 to 1023 bytes without white space"},
    {CallReason::kLockUnusable, ReasonKind::kSetUp, "lock-unusable",
     "the lock file kelvo.lock cannot be created or opened, or is not a regular file (a "
     "directory, FIFO or link)"},
    {CallReason::kDirectoryBusy, ReasonKind::kBusy, "directory-busy",
     "the directory is busy: another call held it for 30 s"},
    {CallReason::kWorkFilesNotWritten, ReasonKind::kSetUp, "work-files-not-written",
     "the work files (raw.txt, mfc.txt, ml.txt, states.txt) could not be replaced"},
    {CallReason::kFeaturesNotWritten, ReasonKind::kSetUp, "features-not-written",
     "the features of the recording (<n>.mfc) could not be written"},
    {CallReason::kModelNotWritten, ReasonKind::kSetUp, "model-not-written",
     "the model vector (states.txt, vfloor.txt) could not be written"},
    {CallReason::kTransitionsUnusable, ReasonKind::kSetUp, "transitions-unusable",
     "the transitions file trans.txt is unreadable, not a regular file, or malformed"},
    {CallReason::kSpeechLibraryFailed, ReasonKind::kSetUp, "speech-library-failed",
     "the speech library failed (out of memory, or its files unreadable)"},
    {CallReason::kProfileUnusable, ReasonKind::kSetUp, "profile-unusable",
     "the profile kelvo.cfg is not a regular file, or cannot be read"},
    {CallReason::kProfileNotWritten, ReasonKind::kSetUp, "profile-not-written",
     "the profile kelvo.cfg could not be added to (it was left as it was)"},
    {CallReason::kEnrolmentUnreadable, ReasonKind::kSetUp, "enrolment-unreadable",
     "the speaker's first or last line in kelvo.cfg is damaged; forget the speaker and enrol "
     "again"},
    {CallReason::kRecordingUnreadable, ReasonKind::kRecording, "recording-unreadable",
     "the recording is missing, not a regular file, or unreadable"},
    {CallReason::kRecordingTooLong, ReasonKind::kRecording, "recording-too-long",
     "the recording is longer than the 10 minutes a recording may last"},
    {CallReason::kRecordingMalformed, ReasonKind::kRecording, "recording-malformed",
     "the recording has a RIFF header of a format other than 8-bit mono PCM"},
    {CallReason::kNoVoice, ReasonKind::kNoVoice, "no-voice",
     "no model vector: the recording holds too little speech (under about half a second) or "
     "no voice (silence, noise, tones)"},
    {CallReason::kTakesDisagree, ReasonKind::kNoVoice, "takes-disagree",
     "the takes do not match one another: say the password again, the same way each time"},
    {CallReason::kNotEnrolled, ReasonKind::kNotEnrolled, "not-enrolled",
     "the speaker is not enrolled"},
};
// clang-format on

const ReasonEntry& EntryOf(CallReason reason) {
    for (const ReasonEntry& entry : kReasons) {
        if (entry.reason == reason) {
            return entry;
        }
    }
    return kReasons[0];  // unreachable: every reason has its entry (tested)
}

}  // namespace

ReasonKind KindOf(CallReason reason) {
    return EntryOf(reason).kind;
}

bool IsWriteFault(CallReason reason) {
    return reason == CallReason::kWorkFilesNotWritten ||
           reason == CallReason::kFeaturesNotWritten || reason == CallReason::kModelNotWritten ||
           reason == CallReason::kProfileNotWritten;
}

const char* ReasonText(CallReason reason) {
    return EntryOf(reason).text;
}

const char* ReasonName(CallReason reason) {
    return EntryOf(reason).name;
}

}  // namespace kelvo
