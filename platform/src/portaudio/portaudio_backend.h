// The machine's sound devices through PortAudio.
#pragma once

#include <memory>

#include "audio/backend.h"

namespace platform::audio::portaudio {

std::unique_ptr<Backend> MakeBackend();

}  // namespace platform::audio::portaudio
