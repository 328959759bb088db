// The machine's sound devices through PortAudio.
//
// Device ids are positions in the usable-device lists (device_list.h). WAVE_MAPPER takes
// PortAudio's default device of the direction when it is usable and can run the format,
// otherwise the first usable device that can. CheckFormat answers MMSYSERR_NOERROR,
// MMSYSERR_BADDEVICEID or WAVERR_BADFORMAT, except that a device in use elsewhere answers
// MMSYSERR_ALLOCATED and an exhausted memory MMSYSERR_NOMEM, which say more than "bad format".
// When PortAudio cannot start there are no devices and every call answers MMSYSERR_NODRIVER.
#include <portaudio.h>

#include <limits>
#include <vector>

#include "audio/backend.h"
#include "portaudio/device_list.h"
#include "portaudio/error_mapping.h"
#include "portaudio/portaudio_backend.h"
#include "portaudio/portaudio_session.h"
#include "portaudio/portaudio_stream.h"

namespace platform::audio {
namespace {

using portaudio::Device;
using portaudio::SessionLock;

// WAVE_MAPPER, whose definition is a C cast.
constexpr UINT kWaveMapper = std::numeric_limits<UINT>::max();

const std::vector<Device>& DevicesOf(const SessionLock& lock, Direction direction) {
    return direction == Direction::kInput ? lock.devices().input : lock.devices().output;
}

MMRESULT CheckDevice(const Device& device, Direction direction, const WAVEFORMATEX& format) {
    const auto parameters = portaudio::StreamParameters(device, direction, format);
    if (!parameters) {
        return WAVERR_BADFORMAT;
    }
    const bool input = direction == Direction::kInput;
    // PortAudio reports a refused channel count on stderr; refusing it here keeps quiet.
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device.index);
    if (info == nullptr ||
        parameters->channelCount > (input ? info->maxInputChannels : info->maxOutputChannels)) {
        return WAVERR_BADFORMAT;
    }
    const PaError error = Pa_IsFormatSupported(
        input ? &*parameters : nullptr, input ? nullptr : &*parameters, format.nSamplesPerSec);
    const MMRESULT result = portaudio::ToMmResult(error);
    if (result == MMSYSERR_NOERROR || result == MMSYSERR_ALLOCATED || result == MMSYSERR_NOMEM) {
        return result;
    }
    return WAVERR_BADFORMAT;
}

// Resolves `id` to a device: the listed one, or for WAVE_MAPPER the first of the default
// device and then the others that can run the format.
MMRESULT Resolve(const SessionLock& lock, Direction direction, UINT id, const WAVEFORMATEX& format,
                 const Device*& chosen) {
    if (lock.status() != paNoError) {
        return MMSYSERR_NODRIVER;
    }
    const std::vector<Device>& devices = DevicesOf(lock, direction);
    if (id != kWaveMapper) {
        if (id >= devices.size()) {
            return MMSYSERR_BADDEVICEID;
        }
        chosen = &devices[id];
        return CheckDevice(*chosen, direction, format);
    }
    if (devices.empty()) {
        return MMSYSERR_BADDEVICEID;
    }
    const PaDeviceIndex preferred =
        direction == Direction::kInput ? Pa_GetDefaultInputDevice() : Pa_GetDefaultOutputDevice();
    const auto try_device = [&](const Device& device) {
        const MMRESULT result = CheckDevice(device, direction, format);
        if (result == MMSYSERR_NOERROR) {
            chosen = &device;
        }
        return result;
    };
    MMRESULT result = WAVERR_BADFORMAT;
    for (const Device& device : devices) {
        if (device.index == preferred && (result = try_device(device)) == MMSYSERR_NOERROR) {
            return result;
        }
    }
    for (const Device& device : devices) {
        if (device.index != preferred && (result = try_device(device)) == MMSYSERR_NOERROR) {
            return result;
        }
    }
    return result;
}

class SoundDeviceBackend final : public Backend {
  public:
    UINT DeviceCount(Direction direction) override {
        const SessionLock lock;
        return static_cast<UINT>(DevicesOf(lock, direction).size());
    }

    MMRESULT CheckFormat(Direction direction, UINT device, const WAVEFORMATEX& format) override {
        const SessionLock lock;
        const Device* chosen = nullptr;
        return Resolve(lock, direction, device, format, chosen);
    }

    MMRESULT Open(Direction direction, UINT device, const WAVEFORMATEX& format,
                  StreamClient& client, std::unique_ptr<Stream>& stream) override {
        SessionLock lock;
        const Device* chosen = nullptr;
        const MMRESULT result = Resolve(lock, direction, device, format, chosen);
        if (result != MMSYSERR_NOERROR) {
            return result;
        }
        return portaudio::OpenStream(lock, *chosen, direction, format, client, stream);
    }
};

}  // namespace

std::unique_ptr<Backend> portaudio::MakeBackend() {
    return std::make_unique<SoundDeviceBackend>();
}

}  // namespace platform::audio
