#include "portaudio/portaudio_session.h"

#include <cstdlib>

#include "portaudio/alsa_quiet.h"

namespace platform::audio::portaudio {
namespace {

struct Session {
    std::mutex mutex;
    bool started = false;  // Pa_Initialize has been tried
    PaError status = paNotInitialized;
    DeviceList devices;
    int open_streams = 0;
};

// Never destroyed: streams may be closed by other objects' destructors during exit, after any
// static of this file would be gone.
Session& TheSession() {
    static Session* const session = new Session;
    return *session;
}

void TerminateAtExit() {
    Session& session = TheSession();
    std::lock_guard<std::mutex> lock(session.mutex);
    if (session.status == paNoError && session.open_streams == 0) {
        Pa_Terminate();
        session.status = paNotInitialized;
        session.devices = {};
    }
}

}  // namespace

SessionLock::SessionLock() : lock_(TheSession().mutex) {
    Session& session = TheSession();
    if (session.started) {
        return;
    }
    session.started = true;
    QuietAudioLibraries();
    session.status = Pa_Initialize();
    if (session.status == paNoError) {
        session.devices = ListUsableDevices();
        std::atexit(TerminateAtExit);
    }
}

PaError SessionLock::status() const {
    return TheSession().status;
}

const DeviceList& SessionLock::devices() const {
    return TheSession().devices;
}

void SessionLock::StreamOpened() {
    ++TheSession().open_streams;
}

void SessionLock::StreamClosed() {
    --TheSession().open_streams;
}

}  // namespace platform::audio::portaudio
