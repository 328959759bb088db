// A PortAudio callback stream moving raw bytes between one device and a StreamClient.
#pragma once

#include <portaudio.h>

#include <cstddef>
#include <memory>
#include <optional>

#include "audio/backend.h"
#include "portaudio/device_list.h"
#include "portaudio/portaudio_session.h"

namespace platform::audio::portaudio {

// The PortAudio parameters for `format` on `device`: 8-bit samples are unsigned (paUInt8),
// 16-bit ones signed (paInt16); no value for other sample sizes.
std::optional<PaStreamParameters> StreamParameters(const Device& device, Direction direction,
                                                   const WAVEFORMATEX& format);

// Opens a stream, not started, on `device`. `lock` is the caller's SessionLock.
MMRESULT OpenStream(SessionLock& lock, const Device& device, Direction direction,
                    const WAVEFORMATEX& format, StreamClient& client,
                    std::unique_ptr<Stream>& stream);

}  // namespace platform::audio::portaudio
