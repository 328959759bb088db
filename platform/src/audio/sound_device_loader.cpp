// Loads the sound-device module (sound_device_module.h) from the directory the layer itself was
// loaded from, once per process, and keeps it until exit: streams it made may still run while
// the exit hook closes devices.
#include <dlfcn.h>

#include <cstdio>
#include <memory>
#include <string>

#include "sound_device_module.h"

namespace platform::audio {
namespace {

// An object of the layer, whose address dladdr maps back to the file holding the layer.
const char kLayerAnchor = 0;

// The directory of the layer's file, ending in '/', as the dynamic linker named it when it
// loaded the layer: absolute unless it was found through a relative search path. Empty when
// unknown, which leaves the module to the dynamic linker's search.
std::string LayerDirectory() {
    Dl_info info{};
    if (dladdr(&kLayerAnchor, &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    const std::string path = info.dli_fname;
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// nullptr, after saying why once on stderr, when the module or a library it needs (PortAudio,
// ALSA, JACK) is missing or unusable: the process then has no sound devices.
SoundDeviceFactory* LoadFactory() {
    const std::string module = LayerDirectory() + PLATFORM_SOUND_DEVICE_MODULE;
    void* const handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        std::fprintf(stderr, "%s; no sound devices\n", dlerror());
        return nullptr;
    }
    void* const symbol = dlsym(handle, kSoundDeviceFactoryName);
    if (symbol == nullptr) {
        std::fprintf(stderr, "%s; no sound devices\n", dlerror());
        dlclose(handle);
        return nullptr;
    }
    return reinterpret_cast<SoundDeviceFactory*>(symbol);
}

}  // namespace

std::unique_ptr<Backend> MakeSoundDeviceBackend() {
    // Loaded on the first call only, whatever the outcome; the module is never unloaded.
    static SoundDeviceFactory* const factory = LoadFactory();
    if (factory == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<Backend>(factory());
}

}  // namespace platform::audio
