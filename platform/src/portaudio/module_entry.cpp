// The sound-device module's one export: the factory the layer looks up after loading it.
#include <memory>
#include <new>

#include "audio/sound_device_module.h"
#include "portaudio/portaudio_backend.h"

namespace platform::audio {

extern "C" Backend* platform_make_sound_device_backend_1() noexcept {
    try {
        return portaudio::MakeBackend().release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace platform::audio
