// The player's state: one per loaded library, shared without locks between the caller's
// thread (StartPlay, StopPlay) and the device's callback thread (PlayCallback).
#pragma once

#include <atomic>

#include <mmsystem.h>

#include "kelvo/audio/device_phase.h"

namespace kelvo::audio {

struct PlayerState {
    std::atomic<DevicePhase> phase{DevicePhase::kStopped};
    // The device of the current playback; notifications of any other device are not its.
    std::atomic<HWAVEOUT> device{nullptr};
    // Blocks the device has accepted and the callback has not finished with yet. Decreased
    // only after the callback's last use of the device for that block.
    std::atomic<DWORD> inFlight{0};
    // While set, each finished block is followed by the next one from the file.
    std::atomic<bool> moreData{false};
    std::atomic<HANDLE> file{nullptr};  // the playback file, or none
    // The format the device was opened with (the file's own for a recognised header).
    // Written by StartPlay before the open; read by StopPlay.
    WAVEFORMATEX format{};
    CloseNotificationGate closeGate;

    // Whether `h` is the current device and still in use.
    bool IsLive(HWAVEOUT h) const { return h == device.load() && IsLivePhase(phase.load()); }
};

PlayerState& Player();

// The player's no-drain stop, for failures: no more blocks are read, the device handle (if
// any) is released with CloseHandle (the platform returns its blocks once through the
// callback, which frees them), the file is closed, status 4. Runs once per playback.
void ReleasePlayer(HWAVEOUT h);

// Reads the next block from the file and writes it to the device. On failure the error is
// recorded, the player released, and false returned.
bool QueuePlayBuffer(HWAVEOUT h);

// The callback given to waveOutOpen.
void CALLBACK PlayCallback(HANDLE device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                           DWORD_PTR param2);

// Closes the playback file if it is still open.
void ClosePlaybackFile();

}  // namespace kelvo::audio
