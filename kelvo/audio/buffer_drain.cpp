#include "kelvo/audio/buffer_drain.h"

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "kelvo/audio/audio_block.h"

namespace kelvo::audio {
namespace {

std::chrono::milliseconds DrainBound(const WAVEFORMATEX& format) {
    using std::chrono::milliseconds;
    const std::uint64_t bytesPerSecond = std::max<std::uint64_t>(format.nAvgBytesPerSec, 1);
    const auto twoBuffers = milliseconds(2 * std::uint64_t{kBlockBytes} * 1000 / bytesPerSecond);
    return std::clamp(8 * twoBuffers, milliseconds(2000), milliseconds(60000));
}

}  // namespace

DrainResult WaitForBuffers(const std::atomic<DWORD>& inFlight,
                           const std::atomic<DevicePhase>& phase, const WAVEFORMATEX& format) {
    const auto deadline = std::chrono::steady_clock::now() + DrainBound(format);
    for (;;) {
        if (phase.load() == DevicePhase::kReleased) {
            return DrainResult::kReleased;
        }
        if (inFlight.load() == 0) {
            return DrainResult::kReturned;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return DrainResult::kTimedOut;
        }
        Sleep(1);
    }
}

}  // namespace kelvo::audio
