// Releasing a wave device at once, after a failure: capture or output stops, every buffer the
// device still holds comes back through the callback, and the device is closed whatever state
// it was in.
#pragma once

#include <mmsystem.h>
#include <windows.h>

namespace kelvo::audio {

void ForceRelease(HWAVEIN h);
void ForceRelease(HWAVEOUT h);

}  // namespace kelvo::audio
