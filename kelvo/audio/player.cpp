// StartPlay and StopPlay: playing a recording file through the audio output, on the caller's
// thread.
#include "kelvo/audio/error_word.h"
#include "kelvo/audio/orderly_stop.h"
#include "kelvo/audio/player_state.h"
#include "kelvo/audio/wave_container.h"
#include "kelvo/core/status_words.h"

namespace kelvo::audio {
namespace {

// Stores a step's result; on a failure releases the player and gives false.
bool StepSucceeded(MMRESULT result, HWAVEOUT h) {
    SetError(result);
    if (result != MMSYSERR_NOERROR) {
        ReleasePlayer(h);
        return false;
    }
    return true;
}

void StartPlayback(LPCWSTR name, WAVEFORMATEX format, HWAVEOUT* out) {
    PlayerState& player = Player();
    player.inFlight.store(0);
    player.device.store(nullptr);
    SetError(MMSYSERR_NOERROR);
    DWORD error = MMSYSERR_NOERROR;
    if (waveOutGetNumDevs() == 0) {
        error = KELVO_ERR_NO_DEVICE;
        SetError(error);
    }
    // Opened even without a device, so that a missing file reads 25 rather than 21.
    player.file.store(OpenWaveFile(name, format));
    if (player.file.load() == nullptr) {
        error = KELVO_ERR_OPEN_FILE;
    }
    if (error != MMSYSERR_NOERROR) {
        ReleasePlayer(nullptr);
        return;
    }
    player.format = format;
    HWAVEOUT h = nullptr;
    if (!StepSucceeded(waveOutOpen(&h, WAVE_MAPPER, &format, 0, 0, WAVE_FORMAT_QUERY), nullptr)) {
        return;
    }
    h = nullptr;
    const MMRESULT opened =
        waveOutOpen(&h, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(&PlayCallback),
                    reinterpret_cast<DWORD_PTR>(name), CALLBACK_FUNCTION);
    if (!StepSucceeded(opened, nullptr)) {
        return;
    }
    player.device.store(h);
    if (!StepSucceeded(waveOutReset(h), h)) {
        return;
    }
    *out = h;
    player.moreData.store(true);
    // A short file can play to its end while the blocks are still being queued: the callback's
    // 3 (end reached) must not be overwritten by the 5 below, or a caller waiting for the end
    // would wait for ever.
    const DWORD beforeQueueing = LoadStatus(TL_PlayStatus);
    // The second block is queued even when the first met the end of the file (it is empty).
    if (!QueuePlayBuffer(h) || !QueuePlayBuffer(h)) {
        return;  // the failed queueing released the player (status 4)
    }
    StoreStatusUnlessChanged(TL_PlayStatus, beforeQueueing, 5);
    DevicePhase starting = DevicePhase::kStarting;
    player.phase.compare_exchange_strong(starting, DevicePhase::kRunning);
}

// The orderly stop: no more blocks are read, the blocks with the device play to their end,
// then reset and close; the file is closed and the status reads 4, whatever arrives later.
void StopPlayback(HWAVEOUT h) {
    PlayerState& player = Player();
    player.moreData.store(false);
    if (ErrorRecorded()) {
        ReleasePlayer(h);
        return;
    }
    MMRESULT refusal = MMSYSERR_NOERROR;
    switch (StopInOrder<HWAVEOUT>(h, {&waveOutReset, nullptr, &waveOutClose},
                                  {player.inFlight, player.phase, player.format, player.closeGate},
                                  refusal)) {
        case StopOutcome::kReleased:
            return;  // a failure stopped the player meanwhile; its code stands
        case StopOutcome::kRefused:
            // The device is released at once (after a refused close too, so that no
            // device is left open), the file closed, status 4.
            SetError(refusal);
            ReleasePlayer(h);
            return;
        case StopOutcome::kClosed:
        case StopOutcome::kClosedLate:  // the late notification will find the gate shut
            break;
    }
    ClosePlaybackFile();
    ClearRefusalNotice();
    player.phase.store(DevicePhase::kStopped);
    StoreStatus(TL_PlayStatus, 4);
}

}  // namespace
}  // namespace kelvo::audio

using kelvo::audio::DevicePhase;
using kelvo::audio::Player;

extern "C" {

void StartPlay(LPCWSTR fileName, WAVEFORMATEX format, HWAVEOUT* handle) {
    if (handle == nullptr) {
        kelvo::audio::SetError(MMSYSERR_INVALPARAM);  // nowhere to return the device
        return;
    }
    // Play pressed again: the running playback ends first.
    if (Player().phase.load() == DevicePhase::kRunning) {
        StopPlay(Player().device.load());
    }
    if (!kelvo::audio::ClaimForStart(Player().phase)) {
        kelvo::audio::PostRefusal();
        return;
    }
    kelvo::audio::StartPlayback(fileName, format, handle);
}

void StopPlay(HWAVEOUT handle) {
    auto& player = Player();
    DevicePhase running = DevicePhase::kRunning;
    if (handle == nullptr || handle != player.device.load() ||
        !player.phase.compare_exchange_strong(running, DevicePhase::kStopping)) {
        return;  // not the running playback's device: nothing to stop
    }
    kelvo::audio::StopPlayback(handle);
}

}  // extern "C"
