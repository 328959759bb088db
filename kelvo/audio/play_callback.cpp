// The player's side on the device's thread: the callback, and the queueing and failure stop
// it shares with StartPlay.
#include "kelvo/audio/audio_block.h"
#include "kelvo/audio/device_release.h"
#include "kelvo/audio/error_word.h"
#include "kelvo/audio/player_state.h"
#include "kelvo/core/status_words.h"

namespace kelvo::audio {
namespace {

void OnOpen(HWAVEOUT h) {
    PlayerState& player = Player();
    HWAVEOUT none = nullptr;
    const bool ours = player.device.compare_exchange_strong(none, h) || none == h;
    if (ours && IsLivePhase(player.phase.load())) {
        StoreStatus(TL_PlayStatus, 2);
    }
}

// WOM_DONE: the next block goes to the device before the finished one is released.
void OnDone(HWAVEOUT h, WAVEHDR* block) {
    if (block == nullptr) {
        return;
    }
    PlayerState& player = Player();
    if (!player.IsLive(h)) {
        // Returned by the forced close of a released device (never called again), or after
        // the stop: freed, and the stop's status 4 stays.
        FreeBlock(block);
        return;
    }
    if (player.moreData.load()) {
        QueuePlayBuffer(h);
    } else {
        StoreStatus(TL_PlayStatus, 3);
    }
    if (player.IsLive(h)) {
        SetErrorIfNone(waveOutUnprepareHeader(h, block, sizeof(WAVEHDR)));
    }
    FreeBlock(block);
    player.inFlight.fetch_sub(1);
}

// WOM_CLOSE: closes the file, when it arrives while StopPlay's close call runs (or before
// StopPlay has taken over from a late one).
void OnClose(HWAVEOUT h) {
    PlayerState& player = Player();
    if (h != player.device.load() || !player.closeGate.Enter()) {
        return;
    }
    StoreStatus(TL_PlayStatus, 3);
    ClosePlaybackFile();
    player.closeGate.Done();
}

}  // namespace

PlayerState& Player() {
    // Never destroyed: a callback may still run while the process exits.
    static PlayerState* state = new PlayerState;
    return *state;
}

void ClosePlaybackFile() {
    if (const HANDLE file = Player().file.exchange(nullptr)) {
        CloseHandle(file);
    }
}

void ReleasePlayer(HWAVEOUT h) {
    PlayerState& player = Player();
    player.moreData.store(false);
    if (player.phase.exchange(DevicePhase::kReleased) == DevicePhase::kReleased) {
        return;
    }
    if (h != nullptr) {
        ForceRelease(h);
    }
    ClosePlaybackFile();
    StoreStatus(TL_PlayStatus, 4);
}

bool QueuePlayBuffer(HWAVEOUT h) {
    WAVEHDR* block = AllocateBlock();
    if (block == nullptr) {
        SetError(KELVO_ERR_MEMORY);
        ReleasePlayer(h);
        return false;
    }
    PlayerState& player = Player();
    const HANDLE file = player.file.load();
    DWORD got = 0;
    if (file == nullptr || !ReadFile(file, block->lpData, kBlockBytes, &got, nullptr)) {
        SetError(KELVO_ERR_READ_FILE);
        FreeBlock(block);
        ReleasePlayer(h);
        return false;
    }
    if (got < kBlockBytes) {
        // The end of the data: this block (even an empty one) is the last.
        block->dwBufferLength = got;
        player.moreData.store(false);
    }
    // Counted before the device has it, so the count never runs below the blocks it holds.
    player.inFlight.fetch_add(1);
    MMRESULT result = waveOutPrepareHeader(h, block, sizeof(WAVEHDR));
    if (result == MMSYSERR_NOERROR) {
        result = waveOutWrite(h, block, sizeof(WAVEHDR));
    }
    if (result == MMSYSERR_NOERROR) {
        return true;
    }
    player.inFlight.fetch_sub(1);
    SetError(result);
    FreeBlock(block);
    ReleasePlayer(h);
    return false;
}

void CALLBACK PlayCallback(HANDLE device, UINT message, DWORD_PTR /*instance*/, DWORD_PTR param1,
                           DWORD_PTR /*param2*/) {
    const auto h = static_cast<HWAVEOUT>(device);
    switch (message) {
        case WOM_OPEN:
            OnOpen(h);
            break;
        case WOM_DONE:
            OnDone(h, reinterpret_cast<WAVEHDR*>(param1));
            break;
        case WOM_CLOSE:
            OnClose(h);
            break;
        default:
            break;
    }
}

}  // namespace kelvo::audio
