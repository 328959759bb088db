#include "portaudio/portaudio_stream.h"

#include <algorithm>
#include <cstring>

#include "portaudio/error_mapping.h"

namespace platform::audio::portaudio {
namespace {

class PortAudioStream final : public Stream {
  public:
    PortAudioStream(Direction direction, const WAVEFORMATEX& format, StreamClient& client)
        : client_(client),
          direction_(direction),
          bytes_per_frame_(static_cast<std::size_t>(format.nChannels) *
                           (format.wBitsPerSample / 8u)),
          // Unsigned 8-bit silence is the middle value; signed 16-bit silence is zero.
          silence_(format.wBitsPerSample == 8 ? 0x80 : 0x00) {}

    ~PortAudioStream() override {
        if (stream_ == nullptr) {
            return;
        }
        SessionLock lock;
        // Pa_CloseStream would abort a running stream by cancelling its thread; stopping first
        // ends the callback thread the orderly way.
        if (Pa_IsStreamStopped(stream_) == 0) {
            Pa_StopStream(stream_);
        }
        Pa_CloseStream(stream_);
        lock.StreamClosed();
    }

    PortAudioStream(const PortAudioStream&) = delete;
    PortAudioStream& operator=(const PortAudioStream&) = delete;

    MMRESULT Open(SessionLock& lock, const PaStreamParameters& parameters, double rate) {
        const bool input = direction_ == Direction::kInput;
        // Output primes the device buffer from the client rather than with silence, so played
        // sound starts with the client's first bytes.
        const PaStreamFlags flags = input ? paNoFlag : paPrimeOutputBuffersUsingStreamCallback;
        const PaError error =
            Pa_OpenStream(&stream_, input ? &parameters : nullptr, input ? nullptr : &parameters,
                          rate, paFramesPerBufferUnspecified, flags, &Callback, this);
        if (error != paNoError) {
            stream_ = nullptr;
            return ToMmResult(error);
        }
        lock.StreamOpened();
        return MMSYSERR_NOERROR;
    }

    MMRESULT Start() override {
        SessionLock lock;
        const PaError error = Pa_StartStream(stream_);
        return error == paStreamIsNotStopped ? MMSYSERR_NOERROR : ToMmResult(error);
    }

    // Pa_StopStream returns once the callback thread has finished its last call.
    MMRESULT Stop() override {
        SessionLock lock;
        const PaError error = Pa_StopStream(stream_);
        return error == paStreamIsStopped ? MMSYSERR_NOERROR : ToMmResult(error);
    }

  private:
    // Runs on PortAudio's real-time thread: no allocation, locks or I/O, only the client.
    static int Callback(const void* input, void* output, unsigned long frames,
                        const PaStreamCallbackTimeInfo* /*time*/, PaStreamCallbackFlags /*status*/,
                        void* user_data) {
        const auto& self = *static_cast<const PortAudioStream*>(user_data);
        const std::size_t bytes = frames * self.bytes_per_frame_;
        if (input != nullptr) {
            self.client_.OnCapture(static_cast<const std::byte*>(input), bytes);
        }
        if (output != nullptr) {
            auto* data = static_cast<std::byte*>(output);
            const std::size_t filled = std::min(self.client_.OnPlayback(data, bytes), bytes);
            std::memset(data + filled, self.silence_, bytes - filled);
        }
        return paContinue;
    }

    PaStream* stream_ = nullptr;
    StreamClient& client_;
    const Direction direction_;
    const std::size_t bytes_per_frame_;
    const unsigned char silence_;
};

}  // namespace

std::optional<PaStreamParameters> StreamParameters(const Device& device, Direction direction,
                                                   const WAVEFORMATEX& format) {
    PaSampleFormat sample_format = 0;
    if (format.wBitsPerSample == 8) {
        sample_format = paUInt8;
    } else if (format.wBitsPerSample == 16) {
        sample_format = paInt16;
    } else {
        return std::nullopt;
    }
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device.index);
    if (info == nullptr) {
        return std::nullopt;
    }
    PaStreamParameters parameters{};
    parameters.device = device.index;
    parameters.channelCount = format.nChannels;
    parameters.sampleFormat = sample_format;
    // Recording and playing whole buffers tolerates latency; the high figure avoids dropouts.
    parameters.suggestedLatency = direction == Direction::kInput ? info->defaultHighInputLatency
                                                                 : info->defaultHighOutputLatency;
    parameters.hostApiSpecificStreamInfo = nullptr;
    return parameters;
}

MMRESULT OpenStream(SessionLock& lock, const Device& device, Direction direction,
                    const WAVEFORMATEX& format, StreamClient& client,
                    std::unique_ptr<Stream>& stream) {
    const std::optional<PaStreamParameters> parameters =
        StreamParameters(device, direction, format);
    if (!parameters) {
        return WAVERR_BADFORMAT;
    }
    auto opened = std::make_unique<PortAudioStream>(direction, format, client);
    const MMRESULT result = opened->Open(lock, *parameters, format.nSamplesPerSec);
    if (result == MMSYSERR_NOERROR) {
        stream = std::move(opened);
    }
    return result;
}

}  // namespace platform::audio::portaudio
