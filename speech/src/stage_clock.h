// Where a pass spends its time, for the speed benches: each stage adds its wall time to a
// counter while a bench has the clock running. Stopped, as it always is outside the benches,
// a stage costs one relaxed atomic load. The counters are atomic, so threads may share them.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>

namespace speech {

enum class Stage : std::size_t {
    kReadRecording,  // reading and decoding the recording
    kSpectra,        // pre-emphasis, window, power spectrum, filter bank, frame energy
    kPitch,          // the pitch of the frames that may be voiced
    kCepstra,        // spectral floor, logs, cepstra, lifter
    kRecordingWide,  // energy normalisation, mean removal, deltas, rounding to float
    kWriteFeatures,  // formatting and writing the feature file
    kReadFeatures,   // InitHMM taking or parsing the feature files
    kModelVector,    // the voice check, utterance statistics and model vector
    kStates,         // the flat-start state parameters
    kWriteStates,    // the variance floor and state files
    kCount,
};
inline constexpr std::size_t kStageCount = static_cast<std::size_t>(Stage::kCount);

// The name a bench prints for the stage.
const char* StageName(Stage stage);

void RunStageClock(bool running);
void ResetStageClock();
// Seconds spent in each stage since the last reset.
std::array<double, kStageCount> StageSeconds();

// Times its own lifetime as the given stage.
class StageTimer {
  public:
    explicit StageTimer(Stage stage);
    ~StageTimer();
    StageTimer(const StageTimer&) = delete;
    StageTimer& operator=(const StageTimer&) = delete;

  private:
    Stage stage_;
    bool running_;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace speech
