#include "fault_injection.h"

#include <array>
#include <atomic>
#include <cstring>
#include <mutex>

namespace platform::audio {
namespace {

constexpr std::size_t kCallCount = static_cast<std::size_t>(WaveCall::kWaveOutReset) + 1;

constexpr std::array<const char*, kCallCount> kNames = {
    "waveInGetNumDevs",      "waveInOpen",
    "waveInClose",           "waveInPrepareHeader",
    "waveInUnprepareHeader", "waveInAddBuffer",
    "waveInStart",           "waveInStop",
    "waveInReset",           "waveOutGetNumDevs",
    "waveOutOpen",           "waveOutClose",
    "waveOutPrepareHeader",  "waveOutUnprepareHeader",
    "waveOutWrite",          "waveOutReset",
};

struct Failure {
    unsigned remaining = 0;  // calls until the failing one; 0 = none armed
    MMRESULT result = MMSYSERR_NOERROR;
};

struct Failures {
    std::atomic<bool> armed{false};  // fast path: nothing to count
    std::mutex mutex;
    std::array<Failure, kCallCount> table{};
};

std::atomic<bool> holdOpen{false};
std::atomic<bool> holdClose{false};

Failures& State() {
    static Failures* failures = new Failures;  // never destroyed: used until process exit
    return *failures;
}

}  // namespace

std::optional<MMRESULT> InjectedResult(WaveCall call) {
    Failures& state = State();
    if (!state.armed.load(std::memory_order_acquire)) {
        return std::nullopt;
    }
    const std::lock_guard lock(state.mutex);
    Failure& failure = state.table[static_cast<std::size_t>(call)];
    if (failure.remaining == 0 || --failure.remaining != 0) {
        return std::nullopt;
    }
    return failure.result;
}

bool OpenNotificationsHeld() {
    return holdOpen.load();
}
bool CloseNotificationsHeld() {
    return holdClose.load();
}

}  // namespace platform::audio

namespace platform::virtual_audio {

PLATFORM_API void HoldOpenNotifications(bool hold) {
    audio::holdOpen.store(hold);
}
PLATFORM_API void HoldCloseNotifications(bool hold) {
    audio::holdClose.store(hold);
}

PLATFORM_API void FailCall(WaveCall call, unsigned nth, MMRESULT result) {
    auto& state = audio::State();
    const std::lock_guard lock(state.mutex);
    state.table[static_cast<std::size_t>(call)] = {nth, result};
    state.armed.store(true, std::memory_order_release);
}

PLATFORM_API bool FailCall(const char* name, unsigned nth, MMRESULT result) {
    for (std::size_t i = 0; name != nullptr && i < audio::kNames.size(); ++i) {
        if (std::strcmp(name, audio::kNames[i]) == 0) {
            FailCall(static_cast<WaveCall>(i), nth, result);
            return true;
        }
    }
    return false;
}

PLATFORM_API void ClearFailures() {
    auto& state = audio::State();
    const std::lock_guard lock(state.mutex);
    state.table.fill({});
    state.armed.store(false, std::memory_order_release);
}

}  // namespace platform::virtual_audio
