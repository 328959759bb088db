// waveIn*: recording into the caller's buffers.
#include <mmsystem.h>

#include "fault_injection.h"
#include "wave_calls.h"

using platform::audio::Direction;
using platform::audio::InjectedResult;
using platform::audio::WaveCall;
using platform::audio::WaveDevice;

namespace {

constexpr Direction kIn = Direction::kInput;

void PublishInput(void* target, HANDLE handle) {
    *static_cast<LPHWAVEIN>(target) = static_cast<HWAVEIN>(handle);
}

}  // namespace

extern "C" UINT waveInGetNumDevs(void) {
    if (const auto injected = InjectedResult(WaveCall::kWaveInGetNumDevs)) {
        return *injected;
    }
    return platform::audio::DeviceCount(kIn);
}

extern "C" MMRESULT waveInOpen(LPHWAVEIN handle, UINT deviceId, LPCWAVEFORMATEX format,
                               DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
    if (const auto injected = InjectedResult(WaveCall::kWaveInOpen)) {
        return *injected;
    }
    return platform::audio::OpenWave(kIn, handle, &PublishInput, deviceId, format, callback,
                                     instance, flags);
}

extern "C" MMRESULT waveInClose(HWAVEIN handle) {
    if (const auto injected = InjectedResult(WaveCall::kWaveInClose)) {
        return *injected;
    }
    return platform::audio::OnDevice(kIn, handle,
                                     [](WaveDevice& device) { return device.CloseNormally(); });
}

extern "C" MMRESULT waveInPrepareHeader(HWAVEIN handle, LPWAVEHDR header, UINT size) {
    if (const auto injected = InjectedResult(WaveCall::kWaveInPrepareHeader)) {
        return *injected;
    }
    return platform::audio::OnBuffer(
        kIn, handle, header, size, true,
        [](WaveDevice& device, WAVEHDR& buffer) { return device.Prepare(buffer); });
}

extern "C" MMRESULT waveInUnprepareHeader(HWAVEIN handle, LPWAVEHDR header, UINT size) {
    if (const auto injected = InjectedResult(WaveCall::kWaveInUnprepareHeader)) {
        return *injected;
    }
    return platform::audio::OnBuffer(
        kIn, handle, header, size, false,
        [](WaveDevice& device, WAVEHDR& buffer) { return device.Unprepare(buffer); });
}

extern "C" MMRESULT waveInAddBuffer(HWAVEIN handle, LPWAVEHDR header, UINT size) {
    if (const auto injected = InjectedResult(WaveCall::kWaveInAddBuffer)) {
        return *injected;
    }
    return platform::audio::OnBuffer(
        kIn, handle, header, size, false,
        [](WaveDevice& device, WAVEHDR& buffer) { return device.Queue(buffer); });
}

extern "C" MMRESULT waveInStart(HWAVEIN handle) {
    if (const auto injected = InjectedResult(WaveCall::kWaveInStart)) {
        return *injected;
    }
    return platform::audio::OnDevice(kIn, handle,
                                     [](WaveDevice& device) { return device.Start(); });
}

extern "C" MMRESULT waveInStop(HWAVEIN handle) {
    if (const auto injected = InjectedResult(WaveCall::kWaveInStop)) {
        return *injected;
    }
    return platform::audio::OnDevice(kIn, handle, [](WaveDevice& device) { return device.Stop(); });
}

extern "C" MMRESULT waveInReset(HWAVEIN handle) {
    if (const auto injected = InjectedResult(WaveCall::kWaveInReset)) {
        return *injected;
    }
    return platform::audio::OnDevice(kIn, handle,
                                     [](WaveDevice& device) { return device.Reset(); });
}
