// The test control of the virtual device (platform/virtual_audio.h).
#include <platform/virtual_audio.h>

#include <algorithm>

#include "active_backend.h"
#include "device_registry.h"
#include "handles.h"
#include "virtual_backend.h"
#include "wave_device.h"

namespace platform::virtual_audio {
namespace {

using audio::WaveDevice;

std::shared_ptr<WaveDevice> DeviceOf(HANDLE device) {
    return device == nullptr ? nullptr : FindHandleAs<WaveDevice>(device);
}

audio::VirtualStream* VirtualStreamOf(WaveDevice& device) {
    return dynamic_cast<audio::VirtualStream*>(device.stream());
}

}  // namespace

PLATFORM_API bool Install(const char* configuration) {
    const auto config = audio::ParseVirtualConfig(configuration == nullptr ? "" : configuration);
    if (!config) {
        return false;
    }
    audio::ShutdownAllDevices();
    audio::InstallBackend(audio::MakeVirtualBackend(*config));
    return true;
}

PLATFORM_API void Reset() {
    audio::ShutdownAllDevices();
    ClearFailures();
    HoldOpenNotifications(false);
    HoldCloseNotifications(false);
    audio::InstallBackend(nullptr);
}

PLATFORM_API void SetDeviceCounts(unsigned inputs, unsigned outputs) {
    audio::SetVirtualDeviceCounts(*audio::CurrentBackend(), inputs, outputs);
}

PLATFORM_API void ReleaseHeldNotifications() {
    const auto devices = audio::RegisteredDevices();
    for (const auto& device : devices) {
        device->ReleaseHeld();
    }
    for (const auto& device : devices) {
        device->WaitIdle();
    }
    audio::ReapThreads(false);
}

PLATFORM_API std::size_t Advance(HANDLE device, std::size_t bytes) {
    const std::shared_ptr<WaveDevice> found = DeviceOf(device);
    audio::VirtualStream* stream = found == nullptr ? nullptr : VirtualStreamOf(*found);
    if (stream == nullptr) {
        return 0;
    }
    // In steps of at most a few kilobytes, letting the layer catch up after each, so that
    // however much a test asks for, nothing overflows the device's ring.
    constexpr std::size_t kStep = 4096;
    std::size_t moved = 0;
    found->WaitIdle();
    while (moved < bytes) {
        const std::size_t step = stream->Advance(std::min(kStep, bytes - moved));
        if (step == 0) {
            break;
        }
        moved += step;
        found->WaitIdle();
    }
    return moved;
}

PLATFORM_API void WaitDelivered(HANDLE device) {
    if (const std::shared_ptr<WaveDevice> found = DeviceOf(device)) {
        found->WaitIdle();
    }
}

PLATFORM_API std::size_t OpenDeviceCount() {
    const auto devices = audio::RegisteredDevices();
    return static_cast<std::size_t>(std::count_if(
        devices.begin(), devices.end(), [](const auto& device) { return device->IsOpen(); }));
}

PLATFORM_API std::vector<unsigned char> SpeakerBytes(unsigned index) {
    const std::vector<std::byte> played =
        audio::VirtualSpeakerBytes(*audio::CurrentBackend(), index);
    std::vector<unsigned char> bytes(played.size());
    std::transform(played.begin(), played.end(), bytes.begin(),
                   [](std::byte b) { return static_cast<unsigned char>(b); });
    return bytes;
}

PLATFORM_API bool DeviceClockTime(HANDLE device, std::uint64_t offset,
                                  std::chrono::steady_clock::time_point& when) {
    const std::shared_ptr<WaveDevice> found = DeviceOf(device);
    audio::VirtualStream* stream = found == nullptr ? nullptr : VirtualStreamOf(*found);
    return stream != nullptr && stream->ClockTime(offset, when);
}

}  // namespace platform::virtual_audio
