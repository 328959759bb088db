#include "call_outcome.h"

namespace kelvo_cli {

using kelvo::CallReason;
using kelvo::ReasonKind;

ExitCode ExitCodeOf(CallReason reason, bool enrolling) {
    switch (kelvo::KindOf(reason)) {
        case ReasonKind::kDone:
            return kExitSuccess;
        case ReasonKind::kArgument:
            return kExitUsage;
        case ReasonKind::kSetUp:
            return kExitSetUp;
        case ReasonKind::kBusy:
            return kExitBusy;
        case ReasonKind::kRecording:
            return kExitInputFile;
        case ReasonKind::kNoVoice:
            return enrolling ? kExitNotEnrolled : kExitRejected;
        case ReasonKind::kNotEnrolled:
            return kExitUnknownSpeaker;
    }
    return kExitSetUp;
}

std::string Explanation(CallReason reason, bool spaceRunsShort) {
    std::string text = kelvo::ReasonText(reason);
    if (spaceRunsShort) {
        text += " (no space left on the device)";
    }
    return text;
}

bool EndsTheCommand(CallReason reason) {
    const ReasonKind kind = kelvo::KindOf(reason);
    return kind != ReasonKind::kDone && kind != ReasonKind::kNoVoice;
}

}  // namespace kelvo_cli
