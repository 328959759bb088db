// The virtual device: microphones that capture silence, a tone or files in turn, speakers that
// discard, keep or write what they play, at real-time pace, faster, as fast as possible, or
// by hand (tests advance its clock).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "backend.h"
#include "virtual_config.h"

namespace platform::audio {

// What every stream of one virtual device shares: its configuration and its speakers.
struct VirtualShared {
    explicit VirtualShared(VirtualConfig configuration) : config(std::move(configuration)) {}

    const VirtualConfig config;
    std::mutex mutex;  // guards everything below
    std::ofstream sinkFile;
    bool sinkFileOpened = false;
    std::vector<std::vector<std::byte>> speakers;  // by output device, with Sink::kMemory

    // Takes what an output stream played.
    void Play(unsigned device, const std::byte* data, std::size_t bytes);
    void Flush();
};

class VirtualStream final : public Stream {
  public:
    VirtualStream(std::shared_ptr<VirtualShared> shared, Direction direction, unsigned device,
                  const WAVEFORMATEX& format, StreamClient& client,
                  std::shared_ptr<const std::vector<std::byte>> source);
    ~VirtualStream() override;

    MMRESULT Start() override;
    MMRESULT Stop() override;

    // Manual pace only: captures or plays `bytes` more bytes (whole frames) on the calling
    // thread, which plays the role of the real-time thread. Returns the bytes moved.
    std::size_t Advance(std::size_t bytes);
    // Paced streams: when the device's clock reached byte `offset` since the last start.
    bool ClockTime(std::uint64_t offset, std::chrono::steady_clock::time_point& when);

  private:
    void Run();
    void Transfer(std::size_t bytes);  // one period: capture into or play from the client
    void Generate(std::byte* data, std::size_t bytes);

    const std::shared_ptr<VirtualShared> shared_;
    const Direction direction_;
    const unsigned device_;
    const WAVEFORMATEX format_;
    StreamClient& client_;
    const std::shared_ptr<const std::vector<std::byte>> source_;
    std::size_t periodBytes_;
    std::chrono::steady_clock::duration periodDuration_{};

    // Touched only by whichever thread transfers (the stream thread, or Advance under mutex_).
    std::vector<std::byte> scratch_;
    std::size_t sourcePosition_ = 0;
    double phase_ = 0.0;

    std::mutex mutex_;
    std::condition_variable wakeUp_;
    bool running_ = false;
    bool stopping_ = false;
    std::chrono::steady_clock::time_point started_;
    std::thread thread_;  // touched only by Start / Stop, which the layer serialises
};

// The virtual backend with this configuration.
std::unique_ptr<Backend> MakeVirtualBackend(const VirtualConfig& config);

// Changes the device counts of a virtual backend; false for another kind of backend.
bool SetVirtualDeviceCounts(Backend& backend, unsigned inputs, unsigned outputs);

// The speakers of a virtual backend with out=memory.
std::vector<std::byte> VirtualSpeakerBytes(Backend& backend, unsigned device);

}  // namespace platform::audio
