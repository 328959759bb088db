// The recorder's side on the device's thread: the callback, and the queueing and failure stop
// it shares with StartRecord.
#include "kelvo/audio/audio_block.h"
#include "kelvo/audio/device_release.h"
#include "kelvo/audio/error_word.h"
#include "kelvo/audio/recorder_state.h"
#include "kelvo/audio/wave_container.h"
#include "kelvo/core/status_words.h"

namespace kelvo::audio {
namespace {

void CloseFile(HANDLE file) {
    if (file != nullptr) {
        CloseHandle(file);
    }
}

// WIM_OPEN: creates the recording file (emptying an existing one) and writes its header. A name
// that is not a regular file (a FIFO, a device) is refused as a file that cannot be created.
void OnOpen(HWAVEIN h, LPCWSTR name) {
    RecorderState& recorder = Recorder();
    HWAVEIN none = nullptr;
    const bool ours = recorder.device.compare_exchange_strong(none, h) || none == h;
    if (!ours || !IsLivePhase(recorder.phase.load())) {
        return;
    }
    StoreStatus(TL_RecordStatus, 1);
    HANDLE file = OpenRegularFile(name, CREATE_ALWAYS);
    if (file == INVALID_HANDLE_VALUE) {
        SetError(KELVO_ERR_CREATE_FILE);
        ReleaseRecorder(h);
        return;
    }
    recorder.file.store(file);
    if (recorder.headerFlag.load() != 0 &&
        !WriteWaveHeader(file, recorder.format, recorder.sizes)) {
        SetError(KELVO_ERR_WRITE_FILE);
        ReleaseRecorder(h);
        return;
    }
    StoreStatus(TL_RecordStatus, 2);
}

// WIM_DATA: the replacement goes to the device first, then the filled buffer to the file.
void OnData(HWAVEIN h, WAVEHDR* buffer) {
    if (buffer == nullptr || (buffer->dwFlags & WHDR_DONE) == 0) {
        return;
    }
    RecorderState& recorder = Recorder();
    if (!recorder.IsLive(h)) {
        // Returned by the forced close of a released device, which is never called again.
        FreeBlock(buffer);
        return;
    }
    if (ErrorRecorded()) {
        // Neither written nor replaced: the device runs dry and the stop releases it.
        FreeBlock(buffer);
        recorder.inFlight.fetch_sub(1);
        return;
    }
    if (recorder.capturing.load()) {
        QueueRecordBuffer(h);
    }
    if (!recorder.IsLive(h)) {
        // The replacement failed and released the recorder (or the caller did): the file is
        // closed and the recorded code stands.
        FreeBlock(buffer);
        return;
    }
    const HANDLE file = recorder.file.load();
    DWORD written = 0;
    const bool ok = file != nullptr &&
                    WriteFile(file, buffer->lpData, buffer->dwBytesRecorded, &written, nullptr);
    if (ok) {
        recorder.sizes.AddDataBytes(written);
    }
    if (!ok || written < buffer->dwBytesRecorded) {
        SetError(KELVO_ERR_WRITE_FILE);
        if (recorder.capturing.load()) {
            ReleaseRecorder(h);
        }
    }
    if (recorder.IsLive(h)) {
        SetErrorIfNone(waveInUnprepareHeader(h, buffer, sizeof(WAVEHDR)));
    }
    FreeBlock(buffer);
    recorder.inFlight.fetch_sub(1);
}

// WIM_CLOSE: finishes the file, when it arrives while StopRecord's close call runs (or
// before StopRecord has taken over from a late one).
void OnClose(HWAVEIN h) {
    RecorderState& recorder = Recorder();
    if (h != recorder.device.load() || !recorder.closeGate.Enter()) {
        return;
    }
    FinishRecordingFile();
    recorder.closeGate.Done();
}

}  // namespace

RecorderState& Recorder() {
    // Never destroyed: a callback may still run while the process exits.
    static RecorderState* state = new RecorderState;
    return *state;
}

void FinishRecordingFile() {
    RecorderState& recorder = Recorder();
    StoreStatus(TL_RecordStatus, 3);
    if (const HANDLE file = recorder.file.exchange(nullptr)) {
        if (recorder.headerFlag.load() != 0) {
            PatchWaveSizes(file, recorder.sizes);
        }
        CloseHandle(file);
    }
    StoreStatus(TL_RecordStatus, 4);
}

void ReleaseRecorder(HWAVEIN h) {
    RecorderState& recorder = Recorder();
    recorder.capturing.store(false);
    if (recorder.phase.exchange(DevicePhase::kReleased) == DevicePhase::kReleased) {
        return;
    }
    if (h != nullptr) {
        ForceRelease(h);
    }
    CloseFile(recorder.file.exchange(nullptr));
}

bool QueueRecordBuffer(HWAVEIN h) {
    WAVEHDR* buffer = AllocateBlock();
    if (buffer == nullptr) {
        SetError(KELVO_ERR_MEMORY);
        ReleaseRecorder(h);
        return false;
    }
    RecorderState& recorder = Recorder();
    // Counted before the device has it, so the count never runs below the buffers it holds.
    recorder.inFlight.fetch_add(1);
    MMRESULT result = waveInPrepareHeader(h, buffer, sizeof(WAVEHDR));
    if (result == MMSYSERR_NOERROR) {
        result = waveInAddBuffer(h, buffer, sizeof(WAVEHDR));
    }
    if (result == MMSYSERR_NOERROR) {
        return true;
    }
    recorder.inFlight.fetch_sub(1);
    SetError(result);
    FreeBlock(buffer);
    ReleaseRecorder(h);
    return false;
}

void CALLBACK RecordCallback(HANDLE device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                             DWORD_PTR /*param2*/) {
    const auto h = static_cast<HWAVEIN>(device);
    switch (message) {
        case WIM_OPEN:
            OnOpen(h, reinterpret_cast<LPCWSTR>(instance));
            break;
        case WIM_DATA:
            OnData(h, reinterpret_cast<WAVEHDR*>(param1));
            break;
        case WIM_CLOSE:
            OnClose(h);
            break;
        default:
            break;
    }
}

}  // namespace kelvo::audio
