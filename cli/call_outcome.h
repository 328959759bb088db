// The reasons behind the library's results, as the command reports them: each kind of reason
// has its exit status, so that a script tells a voice that was turned away from a set-up that
// is broken.
#pragma once

#include <string>

#include "exit_codes.h"
#include "kelvo/core/call_reason.h"

namespace kelvo_cli {

// The exit status for a call that ended for `reason`: kExitSuccess for kDone; for kNoVoice,
// kExitNotEnrolled when enrolling and kExitRejected when verifying.
ExitCode ExitCodeOf(kelvo::CallReason reason, bool enrolling);

// The reason as a message, with "no space left on the device" when a write failed for it.
std::string Explanation(kelvo::CallReason reason, bool spaceRunsShort);

// Whether a call that ended for `reason` ends the command: a fault, a wrong argument or a
// recording that cannot be read. A decision about the voice (a comparison, no voice) does not.
bool EndsTheCommand(kelvo::CallReason reason);

}  // namespace kelvo_cli
