// The orderly end of a device, shared by the recorder and the player: wait for the buffers
// still with the device, then reset, stop (input only) and close it, with the close
// notification arriving inside the close call or later.
#pragma once

#include <atomic>

#include <mmsystem.h>

#include "kelvo/audio/buffer_drain.h"
#include "kelvo/audio/device_phase.h"

namespace kelvo::audio {

template <typename Handle>
struct DeviceSteps {
    MMRESULT(WINAPI* reset)(Handle);
    MMRESULT(WINAPI* stop)(Handle);  // nullptr: the device has no stop of its own
    MMRESULT(WINAPI* close)(Handle);
};

// What the stop reads of the recorder's or player's state.
struct DeviceShare {
    const std::atomic<DWORD>& inFlight;
    const std::atomic<DevicePhase>& phase;
    const WAVEFORMATEX& format;
    CloseNotificationGate& closeGate;
};

enum class StopOutcome {
    kReleased,    // a failure released the device while its buffers came back
    kRefused,     // reset, stop or close refused; the device is still to be released
    kClosed,      // closed; the close notification did its work inside the close call
    kClosedLate,  // closed; the close notification has not come, its work is the stop's
};

// Runs the orderly stop's device steps; `refusal` receives the refused step's result. A
// success stores nothing, so an error recorded meanwhile (a failed append, the other side's
// failure) stands.
template <typename Handle>
StopOutcome StopInOrder(Handle h, const DeviceSteps<Handle>& steps, DeviceShare share,
                        MMRESULT& refusal) {
    const DrainResult drained = WaitForBuffers(share.inFlight, share.phase, share.format);
    if (drained == DrainResult::kReleased) {
        return StopOutcome::kReleased;
    }
    MMRESULT result = steps.reset(h);
    if (drained == DrainResult::kTimedOut && result == MMSYSERR_NOERROR) {
        // The stalled device has handed its buffers back: let the callback finish with them
        // before the device goes away.
        WaitForBuffers(share.inFlight, share.phase, share.format);
    }
    if (result == MMSYSERR_NOERROR && steps.stop != nullptr) {
        result = steps.stop(h);
    }
    if (result != MMSYSERR_NOERROR) {
        refusal = result;
        return StopOutcome::kRefused;
    }
    share.closeGate.Open();
    result = steps.close(h);
    if (result != MMSYSERR_NOERROR) {
        share.closeGate.Shut();
        refusal = result;
        return StopOutcome::kRefused;
    }
    return share.closeGate.TakeOver() ? StopOutcome::kClosedLate : StopOutcome::kClosed;
}

}  // namespace kelvo::audio
