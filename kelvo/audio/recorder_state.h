// The recorder's state: one per loaded library, shared without locks between the caller's
// thread (StartRecord, StopRecord) and the device's callback thread (RecordCallback).
#pragma once

#include <atomic>
#include <string>

#include <mmsystem.h>

#include "kelvo/audio/device_phase.h"
#include "kelvo/audio/wave_container.h"

namespace kelvo::audio {

struct RecorderState {
    std::atomic<DevicePhase> phase{DevicePhase::kStopped};
    // The device of the current recording; set on its open notification or when the open
    // returns. Notifications of any other device are not this recording's.
    std::atomic<HWAVEIN> device{nullptr};
    // Buffers the device has accepted and the callback has not finished with yet. Decreased
    // only after the callback's last use of the device for that buffer.
    std::atomic<DWORD> inFlight{0};
    // While set, every filled buffer is replaced by a new one.
    std::atomic<bool> capturing{false};
    std::atomic<HANDLE> file{nullptr};  // the recording file, or none
    std::atomic<int> headerFlag{0};
    // Written by StartRecord before the device opens; read by the open notification.
    WAVEFORMATEX format{};
    std::basic_string<WCHAR> name;  // the file name, the open's instance value
    WaveHeaderSizes sizes;
    CloseNotificationGate closeGate;

    // Whether `h` is the current device and still in use.
    bool IsLive(HWAVEIN h) const { return h == device.load() && IsLivePhase(phase.load()); }
};

RecorderState& Recorder();

// The recorder's no-drain stop, for failures: capture ends, the device handle (if any) is
// released with CloseHandle (the platform returns its buffers once through the callback,
// which frees them), and the file is closed as it is. Runs once per recording; the status
// stays where it was.
void ReleaseRecorder(HWAVEIN h);

// Hands the device one new capture buffer. On failure the error is recorded, the recorder
// released, and false returned.
bool QueueRecordBuffer(HWAVEIN h);

// The callback given to waveInOpen.
void CALLBACK RecordCallback(HANDLE device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                             DWORD_PTR param2);

}  // namespace kelvo::audio

namespace kelvo::audio {

// What the device's close notification does for a recording: status 3, the sizes patched
// (header files) and the file closed, status 4.
void FinishRecordingFile();

}  // namespace kelvo::audio
