// The orderly stops' wait for the buffers still with the device.
#pragma once

#include <atomic>

#include <mmsystem.h>

#include "kelvo/audio/device_phase.h"

namespace kelvo::audio {

enum class DrainResult { kReturned, kReleased, kTimedOut };

// Waits until `inFlight` is 0, looking every millisecond. A working device returns its at
// most two buffers within their playing or recording time; one that stalls is given up on
// after a generous bound (eight times that time, at least two seconds, at most a minute), so
// that a stop always ends. Stops waiting, too, when a failure released the device meanwhile.
DrainResult WaitForBuffers(const std::atomic<DWORD>& inFlight,
                           const std::atomic<DevicePhase>& phase, const WAVEFORMATEX& format);

}  // namespace kelvo::audio
