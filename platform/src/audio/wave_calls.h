// What waveIn* and waveOut* share: argument checks, done once here before any device or
// backend sees the call, and the lookup of a handle's device.
#pragma once

#include <memory>

#include <mmsystem.h>

#include "backend.h"
#include "wave_device.h"

namespace platform::audio {

UINT DeviceCount(Direction direction);

// waveInOpen / waveOutOpen after the fault check: validates flags, device id and format,
// answers WAVE_FORMAT_QUERY, or opens the device.
MMRESULT OpenWave(Direction direction, void* handleTarget, WaveDevice::Publish publish,
                  UINT deviceId, LPCWAVEFORMATEX format, DWORD_PTR callback, DWORD_PTR instance,
                  DWORD flags);

// The open device of this direction behind `handle`, or nullptr (NULL, closed, stale, other
// direction, or not a wave device at all).
std::shared_ptr<WaveDevice> FindDevice(Direction direction, HANDLE handle);

// MMSYSERR_INVALPARAM for a missing or short header (or, when `needsData`, one without data).
MMRESULT CheckHeader(const WAVEHDR* header, UINT size, bool needsData);

// Looks the handle up, checks the header, and runs `call` on the device.
template <typename Call>
MMRESULT OnBuffer(Direction direction, HANDLE handle, LPWAVEHDR header, UINT size, bool needsData,
                  Call call) {
    const std::shared_ptr<WaveDevice> device = FindDevice(direction, handle);
    if (device == nullptr) {
        return MMSYSERR_INVALHANDLE;
    }
    if (const MMRESULT checked = CheckHeader(header, size, needsData);
        checked != MMSYSERR_NOERROR) {
        return checked;
    }
    return call(*device, *header);
}

template <typename Call>
MMRESULT OnDevice(Direction direction, HANDLE handle, Call call) {
    const std::shared_ptr<WaveDevice> device = FindDevice(direction, handle);
    return device == nullptr ? MMSYSERR_INVALHANDLE : call(*device);
}

}  // namespace platform::audio
