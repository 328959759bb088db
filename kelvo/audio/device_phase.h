// What the recorder and the player keep about their one device: where it is in its life, and
// who finishes the file when the device closes.
#pragma once

#include <atomic>
#include <cstdint>

namespace kelvo::audio {

enum class DevicePhase : std::uint8_t {
    kStopped,   // nothing open: never started, or stopped in order
    kStarting,  // inside the start operation
    kRunning,   // started; the caller's stop ends it
    kStopping,  // inside the orderly stop
    kReleased,  // stopped after a failure: the handle was given up and is never called again
};

// Whether callbacks of the device may still use it (call it, write the file, set statuses).
inline bool IsLivePhase(DevicePhase phase) {
    return phase == DevicePhase::kStarting || phase == DevicePhase::kRunning ||
           phase == DevicePhase::kStopping;
}

// Moves a stopped or released device's phase to kStarting for a new start. False while
// another start, run or stop holds it: its count, flags and file must stay its own.
inline bool ClaimForStart(std::atomic<DevicePhase>& phase) {
    DevicePhase seen = phase.load();
    while (seen == DevicePhase::kStopped || seen == DevicePhase::kReleased) {
        if (phase.compare_exchange_weak(seen, DevicePhase::kStarting)) {
            return true;
        }
    }
    return false;
}

// Decides who handles the device's close notification: the notification itself, when it
// arrives while the close call runs (as the platform normally delivers it), or the stop,
// when it has not arrived by the time the close call returned. Exactly one of them does the
// work; a notification that comes later still is ignored.
class CloseNotificationGate {
  public:
    // Before the close call.
    void Open() { state_.store(kOpen); }

    // In the close notification: true when the notification is to do the work, which it
    // must end with Done().
    bool Enter() {
        int expected = kOpen;
        return state_.compare_exchange_strong(expected, kNotifying);
    }
    void Done() { state_.store(kDone); }

    // In the stop, after the close call: true when no notification has come, and the stop
    // is to do the work itself. Otherwise waits until the notification has done it.
    bool TakeOver();

    // Shuts the gate without anyone doing the work (the close call failed).
    void Shut() { state_.store(kShut); }

  private:
    static constexpr int kShut = 0;
    static constexpr int kOpen = 1;
    static constexpr int kNotifying = 2;
    static constexpr int kDone = 3;
    std::atomic<int> state_{kShut};
};

}  // namespace kelvo::audio
