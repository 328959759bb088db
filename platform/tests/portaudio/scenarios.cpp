#include "scenarios.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "audio/backend.h"
#include "portaudio/portaudio_backend.h"
#include "portaudio/portaudio_session.h"
#include "wave_scenarios.h"

namespace portaudio_test {
namespace {

using platform::audio::Backend;
using platform::audio::Direction;
using platform::audio::Stream;
using platform::audio::StreamClient;
using platform::audio::portaudio::MakeBackend;

constexpr UINT kWaveMapper = static_cast<UINT>(~0u);

WAVEFORMATEX Format(int bits, int channels) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(channels);
    format.nSamplesPerSec = 11025;
    format.wBitsPerSample = static_cast<WORD>(bits);
    format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    format.cbSize = 0;
    return format;
}

std::string Join(const std::vector<platform::audio::portaudio::Device>& devices) {
    std::string text;
    for (const auto& device : devices) {
        text += (text.empty() ? "" : ",") + device.name;
    }
    return text;
}

// The backend's id of the ALSA PCM `name`, or the device count when it is not listed.
UINT DeviceId(Direction direction, const std::string& name) {
    const platform::audio::portaudio::SessionLock lock;
    const auto& devices =
        direction == Direction::kInput ? lock.devices().input : lock.devices().output;
    UINT id = 0;
    while (id < devices.size() && devices[id].name != name) {
        ++id;
    }
    return id;
}

// Waits for the real-time thread to get somewhere; the deadline only keeps a broken stream from
// hanging the test.
template <typename Done>
bool WaitFor(Done done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class Recorder final : public StreamClient {
  public:
    explicit Recorder(std::size_t bytes) : data_(bytes) {}
    void OnCapture(const std::byte* data, std::size_t bytes) noexcept override {
        const std::size_t have = size_.load(std::memory_order_relaxed);
        const std::size_t take = std::min(bytes, data_.size() - have);
        std::memcpy(data_.data() + have, data, take);
        size_.store(have + take, std::memory_order_release);
    }
    std::size_t OnPlayback(std::byte*, std::size_t) noexcept override { return 0; }
    bool Full() const { return size_.load(std::memory_order_acquire) == data_.size(); }
    const std::vector<std::byte>& data() const { return data_; }

  private:
    std::vector<std::byte> data_;
    std::atomic<std::size_t> size_{0};
};

class Player final : public StreamClient {
  public:
    explicit Player(std::vector<std::byte> data) : data_(std::move(data)) {}
    void OnCapture(const std::byte*, std::size_t) noexcept override {}
    std::size_t OnPlayback(std::byte* data, std::size_t bytes) noexcept override {
        const std::size_t done = played_.load(std::memory_order_relaxed);
        const std::size_t give = std::min(bytes, data_.size() - done);
        std::memcpy(data, data_.data() + done, give);
        played_.store(done + give, std::memory_order_release);
        return give;
    }
    bool Done() const { return played_.load(std::memory_order_acquire) == data_.size(); }

  private:
    const std::vector<std::byte> data_;
    std::atomic<std::size_t> played_{0};
};

class Discard final : public StreamClient {
  public:
    void OnCapture(const std::byte*, std::size_t) noexcept override { calls_.fetch_add(1); }
    std::size_t OnPlayback(std::byte*, std::size_t) noexcept override {
        calls_.fetch_add(1);
        return 0;
    }
    bool Called() const { return calls_.load() > 0; }

  private:
    std::atomic<int> calls_{0};
};

int Fail(const std::string& what, MMRESULT result) {
    std::printf("%s: %u\n", what.c_str(), result);
    return 1;
}

int Devices() {
    const platform::audio::portaudio::SessionLock lock;
    std::printf("input:%s\noutput:%s\n", Join(lock.devices().input).c_str(),
                Join(lock.devices().output).c_str());
    return 0;
}

int Formats(const std::string& name) {
    std::unique_ptr<Backend> backend = MakeBackend();
    for (Direction direction : {Direction::kInput, Direction::kOutput}) {
        const UINT id = DeviceId(direction, name);
        const UINT count = backend->DeviceCount(direction);
        Discard client;
        std::unique_ptr<Stream> stream;
        std::printf("%s device:%u count:%u mapper:%u 12bit:%u 200ch:%u open-mapper:%u\n",
                    direction == Direction::kInput ? "input" : "output",
                    backend->CheckFormat(direction, id, Format(8, 1)), count,
                    backend->CheckFormat(direction, kWaveMapper, Format(8, 1)),
                    backend->CheckFormat(direction, id, Format(12, 1)),
                    backend->CheckFormat(direction, id, Format(16, 200)),
                    backend->Open(direction, kWaveMapper, Format(8, 1), client, stream));
    }
    return 0;
}

int Capture(const std::string& name, int bits, int channels, std::size_t bytes,
            const std::string& out) {
    std::unique_ptr<Backend> backend = MakeBackend();
    const WAVEFORMATEX format = Format(bits, channels);
    Recorder recorder(bytes);
    std::unique_ptr<Stream> stream;
    const UINT id = DeviceId(Direction::kInput, name);
    if (MMRESULT r = backend->Open(Direction::kInput, id, format, recorder, stream); r != 0) {
        return Fail("open", r);
    }
    if (MMRESULT r = stream->Start(); r != 0) {
        return Fail("start", r);
    }
    const bool full = WaitFor([&] { return recorder.Full(); });
    if (MMRESULT r = stream->Stop(); r != 0) {
        return Fail("stop", r);
    }
    stream.reset();
    if (!full) {
        return Fail("recording never filled", 0);
    }
    std::ofstream(out, std::ios::binary)
        .write(reinterpret_cast<const char*>(recorder.data().data()),
               static_cast<std::streamsize>(recorder.data().size()));
    return 0;
}

int Play(const std::string& name, int bits, int channels, const std::string& in) {
    std::ifstream file(in, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    const std::string text = content.str();
    std::vector<std::byte> data(text.size());
    std::memcpy(data.data(), text.data(), text.size());

    std::unique_ptr<Backend> backend = MakeBackend();
    Player player(std::move(data));
    std::unique_ptr<Stream> stream;
    const UINT id = DeviceId(Direction::kOutput, name);
    const WAVEFORMATEX format = Format(bits, channels);
    if (MMRESULT r = backend->Open(Direction::kOutput, id, format, player, stream); r != 0) {
        return Fail("open", r);
    }
    if (MMRESULT r = stream->Start(); r != 0) {
        return Fail("start", r);
    }
    const bool done = WaitFor([&] { return player.Done(); });
    if (MMRESULT r = stream->Stop(); r != 0) {
        return Fail("stop", r);
    }
    stream.reset();  // closing the PCM flushes the file
    return done ? 0 : Fail("playback never finished", 0);
}

int Abandon(const std::string& name) {
    std::unique_ptr<Backend> backend = MakeBackend();
    for (Direction direction : {Direction::kInput, Direction::kOutput}) {
        auto client = std::make_unique<Discard>();
        std::unique_ptr<Stream> stream;
        const UINT id = DeviceId(direction, name);
        if (MMRESULT r = backend->Open(direction, id, Format(8, 1), *client, stream); r != 0) {
            return Fail("open", r);
        }
        if (MMRESULT r = stream->Start(); r != 0) {
            return Fail("start", r);
        }
        if (!WaitFor([&] { return client->Called(); })) {
            return Fail("no callback", 0);
        }
        // Destroyed while running; the client goes right after, so a late callback would
        // touch freed memory.
        stream.reset();
        client.reset();
    }
    return 0;
}

}  // namespace

int RunScenario(int argc, char** argv) {
    const std::vector<std::string> args(argv, argv + argc);
    if (args.size() == 1 && args[0] == "devices") {
        return Devices();
    }
    if (args.size() == 2 && args[0] == "formats") {
        return Formats(args[1]);
    }
    if (args.size() == 6 && args[0] == "capture") {
        return Capture(args[1], std::stoi(args[2]), std::stoi(args[3]), std::stoul(args[4]),
                       args[5]);
    }
    if (args.size() == 5 && args[0] == "play") {
        return Play(args[1], std::stoi(args[2]), std::stoi(args[3]), args[4]);
    }
    if (args.size() == 2 && args[0] == "abandon") {
        return Abandon(args[1]);
    }
    if (args.size() == 3 && args[0] == "wave-capture") {
        return WaveCapture(std::stoul(args[1]), args[2]);
    }
    if (args.size() == 2 && args[0] == "wave-play") {
        return WavePlay(args[1]);
    }
    std::printf("unknown scenario\n");
    return 2;
}

}  // namespace portaudio_test
