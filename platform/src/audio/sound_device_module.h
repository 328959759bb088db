// The machine's sound devices live in a module of their own (libkelvo-portaudio.so, linking
// PortAudio and through it ALSA and JACK), next to libplatform.so. The layer loads it the first
// time a process asks for a sound device, so that programs which never record or play do not
// map the sound libraries at start-up, and machines without them still run everything else.
//
// The module exports one function of C linkage, named below. It needs nothing from the layer:
// the backend it makes only calls the StreamClient the layer hands it. Module and layer are
// built from the same sources; the name carries a number to change whenever backend.h changes
// in a way that makes an older module unusable.
#pragma once

#include "backend.h"

namespace platform::audio {

extern "C" {
// Makes the sound-device backend, owned by the caller; nullptr when memory runs out.
using SoundDeviceFactory = Backend*() noexcept;
// The factory, defined by the module only, and its name for dlsym.
SoundDeviceFactory platform_make_sound_device_backend_1 __attribute__((visibility("default")));
}
inline constexpr char kSoundDeviceFactoryName[] = "platform_make_sound_device_backend_1";

}  // namespace platform::audio
