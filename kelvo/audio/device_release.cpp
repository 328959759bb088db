#include "kelvo/audio/device_release.h"

namespace kelvo::audio {

#if defined(_WIN32)
// The system's wave devices: a reset returns every queued buffer (marked done) through the
// callback, after which the close cannot be refused for buffers still queued.
void ForceRelease(HWAVEIN h) {
    waveInReset(h);
    waveInClose(h);
}

void ForceRelease(HWAVEOUT h) {
    waveOutReset(h);
    waveOutClose(h);
}
#else
// The platform layer's CloseHandle on a wave handle is a forced close that does exactly this,
// also from inside the device's own callback.
void ForceRelease(HWAVEIN h) {
    CloseHandle(h);
}

void ForceRelease(HWAVEOUT h) {
    CloseHandle(h);
}
#endif

}  // namespace kelvo::audio
