#include "kelvo/audio/device_phase.h"

#include <windows.h>

namespace kelvo::audio {

bool CloseNotificationGate::TakeOver() {
    int expected = kOpen;
    if (state_.compare_exchange_strong(expected, kShut)) {
        return true;
    }
    // The notification is finishing the file on the device's thread: a few file calls.
    while (state_.load() == kNotifying) {
        Sleep(1);
    }
    state_.store(kShut);
    return false;
}

}  // namespace kelvo::audio
