// waveOut*: playing the caller's buffers, in order, as soon as they are written.
#include <mmsystem.h>

#include "fault_injection.h"
#include "wave_calls.h"

using platform::audio::Direction;
using platform::audio::InjectedResult;
using platform::audio::WaveCall;
using platform::audio::WaveDevice;

namespace {

constexpr Direction kOut = Direction::kOutput;

void PublishOutput(void* target, HANDLE handle) {
    *static_cast<LPHWAVEOUT>(target) = static_cast<HWAVEOUT>(handle);
}

}  // namespace

extern "C" UINT waveOutGetNumDevs(void) {
    if (const auto injected = InjectedResult(WaveCall::kWaveOutGetNumDevs)) {
        return *injected;
    }
    return platform::audio::DeviceCount(kOut);
}

extern "C" MMRESULT waveOutOpen(LPHWAVEOUT handle, UINT deviceId, LPCWAVEFORMATEX format,
                                DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
    if (const auto injected = InjectedResult(WaveCall::kWaveOutOpen)) {
        return *injected;
    }
    return platform::audio::OpenWave(kOut, handle, &PublishOutput, deviceId, format, callback,
                                     instance, flags);
}

extern "C" MMRESULT waveOutClose(HWAVEOUT handle) {
    if (const auto injected = InjectedResult(WaveCall::kWaveOutClose)) {
        return *injected;
    }
    return platform::audio::OnDevice(kOut, handle,
                                     [](WaveDevice& device) { return device.CloseNormally(); });
}

extern "C" MMRESULT waveOutPrepareHeader(HWAVEOUT handle, LPWAVEHDR header, UINT size) {
    if (const auto injected = InjectedResult(WaveCall::kWaveOutPrepareHeader)) {
        return *injected;
    }
    return platform::audio::OnBuffer(
        kOut, handle, header, size, true,
        [](WaveDevice& device, WAVEHDR& buffer) { return device.Prepare(buffer); });
}

extern "C" MMRESULT waveOutUnprepareHeader(HWAVEOUT handle, LPWAVEHDR header, UINT size) {
    if (const auto injected = InjectedResult(WaveCall::kWaveOutUnprepareHeader)) {
        return *injected;
    }
    return platform::audio::OnBuffer(
        kOut, handle, header, size, false,
        [](WaveDevice& device, WAVEHDR& buffer) { return device.Unprepare(buffer); });
}

extern "C" MMRESULT waveOutWrite(HWAVEOUT handle, LPWAVEHDR header, UINT size) {
    if (const auto injected = InjectedResult(WaveCall::kWaveOutWrite)) {
        return *injected;
    }
    return platform::audio::OnBuffer(
        kOut, handle, header, size, false,
        [](WaveDevice& device, WAVEHDR& buffer) { return device.Queue(buffer); });
}

extern "C" MMRESULT waveOutReset(HWAVEOUT handle) {
    if (const auto injected = InjectedResult(WaveCall::kWaveOutReset)) {
        return *injected;
    }
    return platform::audio::OnDevice(kOut, handle,
                                     [](WaveDevice& device) { return device.Reset(); });
}
