// The small interface between the layer's waveform audio calls and what actually moves the
// samples: the machine's sound devices (PortAudio) or the virtual device. The layer validates
// every argument and keeps all wave-call semantics (buffers, callbacks, notifications); a
// backend only opens streams of raw bytes in a format it has agreed to.
#pragma once

#include <cstddef>
#include <memory>

#include <mmsystem.h>

namespace platform::audio {

enum class Direction { kInput, kOutput };

// Implemented by the layer, called by a stream on the backend's own (real-time) thread: these
// calls never block, allocate or touch files.
class StreamClient {
  public:
    virtual ~StreamClient() = default;
    // Input streams: `bytes` bytes just captured (whole frames of the stream's format).
    virtual void OnCapture(const std::byte* data, std::size_t bytes) noexcept = 0;
    // Output streams: fills up to `bytes` bytes to be played next and returns how many it
    // filled; the stream plays silence for the rest.
    virtual std::size_t OnPlayback(std::byte* data, std::size_t bytes) noexcept = 0;
};

class Stream {
  public:
    // Stops the stream if it runs; no client call is in progress or comes after it returns.
    virtual ~Stream() = default;
    // Starts calling the client.
    virtual MMRESULT Start() = 0;
    // Stops calling the client: when it returns, no client call is in progress.
    virtual MMRESULT Stop() = 0;
};

class Backend {
  public:
    virtual ~Backend() = default;
    virtual UINT DeviceCount(Direction direction) = 0;
    // MMSYSERR_NOERROR when the device (an index below DeviceCount, or WAVE_MAPPER for any)
    // can run the format; MMSYSERR_BADDEVICEID for no such device; WAVERR_BADFORMAT otherwise.
    // The layer has already refused malformed formats.
    virtual MMRESULT CheckFormat(Direction direction, UINT device, const WAVEFORMATEX& format) = 0;
    // Opens a stream, not yet started. The client outlives the stream.
    virtual MMRESULT Open(Direction direction, UINT device, const WAVEFORMATEX& format,
                          StreamClient& client, std::unique_ptr<Stream>& stream) = 0;
};

// The backend in use, chosen on first use: the virtual device when the environment variable
// KELVO_VIRTUAL_AUDIO is set, the machine's sound devices otherwise.
Backend& ActiveBackend();

// The two backends. The virtual one is defined with its implementation; the sound-device one
// comes from the module the layer loads on the first call (sound_device_module.h), and is
// nullptr when the module or the sound libraries it needs cannot be loaded.
std::unique_ptr<Backend> MakeVirtualBackend(const char* configuration);
std::unique_ptr<Backend> MakeSoundDeviceBackend();

}  // namespace platform::audio
