// How the recorder and the player write TL_Error, the word they share with each other and
// with the caller.
#pragma once

#include "kelvo/kelvo.h"

namespace kelvo::audio {

// TL_Error := code: the result of a step, as every step of the audio operations stores it.
void SetError(DWORD code);

// TL_Error := code only when code is nonzero and no error is recorded, so that one side's
// success never erases the other side's error and a later failure never hides the first.
void SetErrorIfNone(DWORD code);

// Whether a failure is recorded: TL_Error is nonzero and not a refusal notice.
bool ErrorRecorded();

// Reports a start refused because its device is in use (code 4, "Device already
// allocated."). The caller reads it in TL_Error, but the operation that holds the device does
// not take it for a failure of its own, so it goes on undisturbed.
void PostRefusal();

// An orderly stop's success: clears a standing refusal notice (an error stays).
void ClearRefusalNotice();

}  // namespace kelvo::audio
