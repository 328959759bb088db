#include "device_registry.h"

#include <cstdlib>
#include <mutex>

#include "wave_device.h"

namespace platform::audio {
namespace {

struct Buried {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> finished;
};

struct Registry {
    std::mutex mutex;
    std::vector<std::weak_ptr<WaveDevice>> devices;
    std::vector<Buried> buried;
};

// Never destroyed: the exit hook and delivery threads use it until the very end.
Registry& TheRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}

void AtExit() {
    ShutdownAllDevices();
}

}  // namespace

void RegisterDevice(const std::shared_ptr<WaveDevice>& device) {
    static std::once_flag hookInstalled;
    std::call_once(hookInstalled, [] { std::atexit(AtExit); });
    Registry& registry = TheRegistry();
    const std::lock_guard lock(registry.mutex);
    std::erase_if(registry.devices, [](const auto& entry) { return entry.expired(); });
    registry.devices.push_back(device);
}

std::vector<std::shared_ptr<WaveDevice>> RegisteredDevices() {
    Registry& registry = TheRegistry();
    const std::lock_guard lock(registry.mutex);
    std::vector<std::shared_ptr<WaveDevice>> devices;
    for (const auto& entry : registry.devices) {
        if (auto device = entry.lock()) {
            devices.push_back(std::move(device));
        }
    }
    return devices;
}

void BuryThread(std::thread thread, std::shared_ptr<std::atomic<bool>> finished) {
    Registry& registry = TheRegistry();
    const std::lock_guard lock(registry.mutex);
    registry.buried.push_back({std::move(thread), std::move(finished)});
}

void ReapThreads(bool all) {
    Registry& registry = TheRegistry();
    std::vector<Buried> reaped;
    {
        const std::lock_guard lock(registry.mutex);
        const auto self = std::this_thread::get_id();
        for (auto entry = registry.buried.begin(); entry != registry.buried.end();) {
            if (entry->thread.get_id() != self &&
                (all || entry->finished->load(std::memory_order_acquire))) {
                reaped.push_back(std::move(*entry));
                entry = registry.buried.erase(entry);
            } else {
                ++entry;
            }
        }
    }
    for (Buried& entry : reaped) {
        entry.thread.join();
    }
}

void ShutdownAllDevices() {
    for (const auto& device : RegisteredDevices()) {
        device->Shutdown();
    }
    ReapThreads(true);
}

}  // namespace platform::audio
