#include "stage_clock.h"

#include <atomic>
#include <cstdint>

namespace speech {
namespace {

std::atomic<bool> running{false};
std::array<std::atomic<std::int64_t>, kStageCount> nanoseconds{};

}  // namespace

const char* StageName(Stage stage) {
    switch (stage) {
        case Stage::kReadRecording:
            return "read recording";
        case Stage::kSpectra:
            return "spectra";
        case Stage::kPitch:
            return "pitch";
        case Stage::kCepstra:
            return "cepstra";
        case Stage::kRecordingWide:
            return "normalisation, deltas";
        case Stage::kWriteFeatures:
            return "write feature file";
        case Stage::kReadFeatures:
            return "take feature files";
        case Stage::kModelVector:
            return "voice check, model vector";
        case Stage::kStates:
            return "state parameters";
        case Stage::kWriteStates:
            return "write state files";
        case Stage::kCount:
            break;
    }
    return "?";
}

void RunStageClock(bool run) {
    running.store(run, std::memory_order_relaxed);
}

void ResetStageClock() {
    for (auto& counter : nanoseconds) {
        counter.store(0, std::memory_order_relaxed);
    }
}

std::array<double, kStageCount> StageSeconds() {
    std::array<double, kStageCount> seconds{};
    for (std::size_t i = 0; i < kStageCount; ++i) {
        seconds[i] = static_cast<double>(nanoseconds[i].load(std::memory_order_relaxed)) * 1e-9;
    }
    return seconds;
}

StageTimer::StageTimer(Stage stage)
    : stage_(stage), running_(running.load(std::memory_order_relaxed)) {
    if (running_) {
        start_ = std::chrono::steady_clock::now();
    }
}

StageTimer::~StageTimer() {
    if (running_) {
        const auto spent = std::chrono::steady_clock::now() - start_;
        nanoseconds[static_cast<std::size_t>(stage_)].fetch_add(
            std::chrono::duration_cast<std::chrono::nanoseconds>(spent).count(),
            std::memory_order_relaxed);
    }
}

}  // namespace speech
