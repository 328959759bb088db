// StartRecord and StopRecord: capturing the audio input into a file, on the caller's thread.
#include "kelvo/audio/error_word.h"
#include "kelvo/audio/orderly_stop.h"
#include "kelvo/audio/recorder_state.h"
#include "kelvo/core/status_words.h"

namespace kelvo::audio {
namespace {

std::basic_string<WCHAR> CopyName(LPCWSTR name) {
    return name == nullptr ? std::basic_string<WCHAR>() : std::basic_string<WCHAR>(name);
}

// Stores a step's result; on a failure (or when the open notification already stopped the
// recorder) releases the recorder and gives false.
bool StepSucceeded(MMRESULT result, HWAVEIN h) {
    if (result != MMSYSERR_NOERROR) {
        SetError(result);
        ReleaseRecorder(h);
        return false;
    }
    SetError(MMSYSERR_NOERROR);
    return Recorder().phase.load() != DevicePhase::kReleased;
}

void StartRecording(LPCWSTR name, const WAVEFORMATEX& format, HWAVEIN* out, int writeHeader) {
    RecorderState& recorder = Recorder();
    recorder.inFlight.store(0);
    recorder.device.store(nullptr);
    if (waveInGetNumDevs() == 0) {
        SetError(KELVO_ERR_NO_DEVICE);
        ReleaseRecorder(nullptr);
        return;
    }
    recorder.headerFlag.store(writeHeader);
    recorder.format = format;
    recorder.name = CopyName(name);

    if (!StepSucceeded(waveInOpen(nullptr, WAVE_MAPPER, &format, 0, 0, WAVE_FORMAT_QUERY),
                       nullptr)) {
        return;
    }
    // The open notification, normally delivered inside this call, creates the file; when it
    // fails, the recorder is released with its code recorded, and the start ends here.
    HWAVEIN h = nullptr;
    const MMRESULT opened =
        waveInOpen(&h, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(&RecordCallback),
                   reinterpret_cast<DWORD_PTR>(recorder.name.c_str()), CALLBACK_FUNCTION);
    if (opened != MMSYSERR_NOERROR) {
        SetError(opened);
        ReleaseRecorder(nullptr);
        return;
    }
    if (recorder.phase.load() == DevicePhase::kReleased) {
        return;
    }
    recorder.device.store(h);
    if (!StepSucceeded(waveInReset(h), h)) {
        return;
    }
    *out = h;
    recorder.capturing.store(true);
    // Both buffers go to the device before capture starts: a device discards what it
    // captures while it holds no buffer, and the recording would lose its first samples.
    if (!QueueRecordBuffer(h) || !QueueRecordBuffer(h)) {
        return;  // the failed queueing released the recorder
    }
    if (!StepSucceeded(waveInStart(h), h)) {
        return;
    }
    StoreStatus(TL_RecordStatus, 5);
    DevicePhase starting = DevicePhase::kStarting;
    recorder.phase.compare_exchange_strong(starting, DevicePhase::kRunning);
}

// The orderly stop: no more replacements, the buffers with the device come back and are
// written, then reset, stop and close; the close notification finishes the file.
void StopRecording(HWAVEIN h) {
    RecorderState& recorder = Recorder();
    recorder.capturing.store(false);
    if (ErrorRecorded()) {
        ReleaseRecorder(h);
        return;
    }
    MMRESULT refusal = MMSYSERR_NOERROR;
    switch (StopInOrder<HWAVEIN>(
        h, {&waveInReset, &waveInStop, &waveInClose},
        {recorder.inFlight, recorder.phase, recorder.format, recorder.closeGate}, refusal)) {
        case StopOutcome::kReleased:
            return;  // a failure stopped the recorder meanwhile; its code stands
        case StopOutcome::kRefused:
            // The device is released at once (after a refused close too, so that no
            // device is left open), the file closed unpatched.
            SetError(refusal);
            ReleaseRecorder(h);
            return;
        case StopOutcome::kClosedLate:
            FinishRecordingFile();
            break;
        case StopOutcome::kClosed:
            break;
    }
    ClearRefusalNotice();
    recorder.phase.store(DevicePhase::kStopped);
}

}  // namespace
}  // namespace kelvo::audio

using kelvo::audio::DevicePhase;
using kelvo::audio::Recorder;

extern "C" {

void StartRecord(LPCWSTR fileName, WAVEFORMATEX format, HWAVEIN* handle, int writeHeader) {
    if (handle == nullptr) {
        kelvo::audio::SetError(MMSYSERR_INVALPARAM);  // nowhere to return the device
        return;
    }
    if (!kelvo::audio::ClaimForStart(Recorder().phase)) {
        kelvo::audio::PostRefusal();
        return;
    }
    kelvo::audio::StartRecording(fileName, format, handle, writeHeader);
}

void StopRecord(HWAVEIN handle) {
    auto& recorder = Recorder();
    DevicePhase running = DevicePhase::kRunning;
    if (handle == nullptr || handle != recorder.device.load() ||
        !recorder.phase.compare_exchange_strong(running, DevicePhase::kStopping)) {
        return;  // not the running recording's device: nothing to stop
    }
    kelvo::audio::StopRecording(handle);
}

}  // extern "C"
