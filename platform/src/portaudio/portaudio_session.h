// The process's one PortAudio session. PortAudio is not thread-safe, so every call into it
// outside the real-time callbacks is made while holding a SessionLock. PortAudio starts on the
// first lock (with ALSA's and JACK's messages silenced) and its device list is read once then.
// At exit PortAudio is terminated only when no stream is open: terminating closes PortAudio's
// streams behind the backs of their owners, whose own destructors may still run later.
#pragma once

#include <portaudio.h>

#include <mutex>

#include "portaudio/device_list.h"

namespace platform::audio::portaudio {

class SessionLock {
  public:
    SessionLock();
    SessionLock(const SessionLock&) = delete;
    SessionLock& operator=(const SessionLock&) = delete;

    // paNoError when PortAudio runs; what Pa_Initialize reported when it could not start, or
    // paNotInitialized once it has been terminated at exit.
    PaError status() const;
    // The usable devices (empty unless status() is paNoError).
    const DeviceList& devices() const;

    // Counts the streams open now, so exit knows whether terminating is safe.
    void StreamOpened();
    void StreamClosed();

  private:
    std::unique_lock<std::mutex> lock_;
};

}  // namespace platform::audio::portaudio
