// Test control of the virtual audio device (C++ only). Tests install the virtual device with a
// configuration, inject results into wave calls, hold back open and close notifications, run
// the device's clock by hand and read what the virtual speaker played.
//
// The configuration has the syntax of the environment variable KELVO_VIRTUAL_AUDIO: comma
// separated key=value pairs, all optional:
//   in=silence | tone:HZ | file:PATH (played once, then silence) | loop:PATH (repeated)
//     PATH may be a list A;B;...: each input device opened takes the next file, back to the
//     first after the last. Install and Reset start again at the first; a failed open (file
//     unreadable) leaves the turn to the same file.
//   out=discard | file:PATH (what was played, appended) | memory (kept for SpeakerBytes)
//   pace=realtime | N (N times faster than real time) | max | manual (driven by Advance)
//   inputs=N, outputs=N (device counts, default 1 each)
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <mmsystem.h>

namespace platform::virtual_audio {

// Every wave call, for fault injection.
enum class WaveCall {
    kWaveInGetNumDevs,
    kWaveInOpen,
    kWaveInClose,
    kWaveInPrepareHeader,
    kWaveInUnprepareHeader,
    kWaveInAddBuffer,
    kWaveInStart,
    kWaveInStop,
    kWaveInReset,
    kWaveOutGetNumDevs,
    kWaveOutOpen,
    kWaveOutClose,
    kWaveOutPrepareHeader,
    kWaveOutUnprepareHeader,
    kWaveOutWrite,
    kWaveOutReset,
};

// Closes every open device without callbacks, then uses the virtual device with this
// configuration instead of what the environment selects. False (and nothing changed) when
// the configuration does not parse.
PLATFORM_API bool Install(const char* configuration);

// Closes every open device without callbacks, waits for every delivery thread, clears the
// injected results and the held notifications, and goes back to the backend the environment
// selects.
PLATFORM_API void Reset();

// Device counts of the installed virtual device.
PLATFORM_API void SetDeviceCounts(unsigned inputs, unsigned outputs);

// The `nth` next call (1 = the very next one) of `call` returns `result` without doing
// anything. Names are the function names, e.g. "waveInAddBuffer"; false for an unknown name.
PLATFORM_API void FailCall(WaveCall call, unsigned nth, MMRESULT result);
PLATFORM_API bool FailCall(const char* name, unsigned nth, MMRESULT result);
PLATFORM_API void ClearFailures();

// While set, WIM_OPEN / WOM_OPEN of devices opened from then on (and WIM_CLOSE / WOM_CLOSE of
// devices closed from then on) are not delivered inside the call but queued on the device's
// delivery thread, and held there (with everything queued after them) until
// ReleaseHeldNotifications. A forced close releases them.
PLATFORM_API void HoldOpenNotifications(bool hold);
PLATFORM_API void HoldCloseNotifications(bool hold);
// Releases the held notifications and waits until they have been delivered. Not from inside
// a callback.
PLATFORM_API void ReleaseHeldNotifications();

// With pace=manual: the device behind `device` (an HWAVEIN or HWAVEOUT) captures or plays
// `bytes` more bytes, then Advance waits until the layer has delivered every callback that
// produced. Returns the bytes moved (0 when the device is not running, e.g. an input not
// started). Not from inside a callback of that device.
PLATFORM_API std::size_t Advance(HANDLE device, std::size_t bytes);

// Waits until the device's delivery thread has nothing left to do.
PLATFORM_API void WaitDelivered(HANDLE device);

// How many wave devices are open (opened and neither closed nor closed by force), on any
// backend. Lets tests check that an operation left no device behind.
PLATFORM_API std::size_t OpenDeviceCount();

// What output device `index` has played since Install (with out=memory).
PLATFORM_API std::vector<unsigned char> SpeakerBytes(unsigned index);

// By the device's own clock (paced devices): when it captured or played byte `offset` of the
// stream since its last start. False when `device` is not a running paced virtual device.
PLATFORM_API bool DeviceClockTime(HANDLE device, std::uint64_t offset,
                                  std::chrono::steady_clock::time_point& when);

}  // namespace platform::virtual_audio
