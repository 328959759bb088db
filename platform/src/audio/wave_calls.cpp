#include "wave_calls.h"

#include "active_backend.h"
#include "handles.h"
#include "wave_format_check.h"

namespace platform::audio {

UINT DeviceCount(Direction direction) {
    return CurrentBackend()->DeviceCount(direction);
}

MMRESULT OpenWave(Direction direction, void* handleTarget, WaveDevice::Publish publish,
                  UINT deviceId, LPCWAVEFORMATEX format, DWORD_PTR callback, DWORD_PTR instance,
                  DWORD flags) {
    const bool query = (flags & WAVE_FORMAT_QUERY) != 0;
    if (handleTarget == nullptr && !query) {
        return MMSYSERR_INVALPARAM;
    }
    if ((flags & ~(WAVE_FORMAT_QUERY | CALLBACK_TYPEMASK)) != 0) {
        return MMSYSERR_INVALFLAG;
    }
    const DWORD callbackType = flags & CALLBACK_TYPEMASK;
    if (callbackType != CALLBACK_NULL && callbackType != CALLBACK_FUNCTION) {
        return MMSYSERR_INVALFLAG;
    }
    if (callbackType == CALLBACK_FUNCTION && callback == 0 && !query) {
        return MMSYSERR_INVALPARAM;
    }
    std::shared_ptr<Backend> backend = CurrentBackend();
    const UINT count = backend->DeviceCount(direction);
    if (count == 0 || (deviceId != WAVE_MAPPER && deviceId >= count)) {
        return MMSYSERR_BADDEVICEID;
    }
    if (format == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    if (const MMRESULT checked = CheckFormat(*format); checked != MMSYSERR_NOERROR) {
        return checked;
    }
    if (query) {
        return backend->CheckFormat(direction, deviceId, *format);
    }
    WaveDevice::Settings settings;
    settings.direction = direction;
    settings.format = *format;
    settings.callback =
        callbackType == CALLBACK_FUNCTION ? reinterpret_cast<LPWAVECALLBACK>(callback) : nullptr;
    settings.instance = instance;
    return WaveDevice::Open(std::move(backend), settings, deviceId, publish, handleTarget);
}

std::shared_ptr<WaveDevice> FindDevice(Direction direction, HANDLE handle) {
    if (handle == nullptr) {
        return nullptr;
    }
    std::shared_ptr<WaveDevice> device = FindHandleAs<WaveDevice>(handle);
    if (device == nullptr || device->direction() != direction) {
        return nullptr;
    }
    return device;
}

MMRESULT CheckHeader(const WAVEHDR* header, UINT size, bool needsData) {
    if (header == nullptr || size < sizeof(WAVEHDR) || (needsData && header->lpData == nullptr)) {
        return MMSYSERR_INVALPARAM;
    }
    return MMSYSERR_NOERROR;
}

}  // namespace platform::audio
