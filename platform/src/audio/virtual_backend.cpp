#include "virtual_backend.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <numbers>
#include <string>

namespace platform::audio {
namespace {

constexpr DWORD kMinimumRate = 8000;
constexpr DWORD kMaximumRate = 96000;
constexpr WORD kMaximumChannels = 2;

std::shared_ptr<const std::vector<std::byte>> ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return nullptr;
    }
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    auto data = std::make_shared<std::vector<std::byte>>(bytes.size());
    std::transform(bytes.begin(), bytes.end(), data->begin(),
                   [](char c) { return static_cast<std::byte>(c); });
    return data;
}

class VirtualBackend final : public Backend {
  public:
    explicit VirtualBackend(const VirtualConfig& config)
        : shared_(std::make_shared<VirtualShared>(config)),
          inputs_(config.inputs),
          outputs_(config.outputs) {}

    UINT DeviceCount(Direction direction) override {
        return (direction == Direction::kInput ? inputs_ : outputs_).load();
    }

    MMRESULT CheckFormat(Direction direction, UINT device, const WAVEFORMATEX& format) override {
        const UINT count = DeviceCount(direction);
        if (count == 0 || (device != WAVE_MAPPER && device >= count)) {
            return MMSYSERR_BADDEVICEID;
        }
        if (format.nSamplesPerSec < kMinimumRate || format.nSamplesPerSec > kMaximumRate ||
            format.nChannels > kMaximumChannels) {
            return WAVERR_BADFORMAT;
        }
        return MMSYSERR_NOERROR;
    }

    MMRESULT Open(Direction direction, UINT device, const WAVEFORMATEX& format,
                  StreamClient& client, std::unique_ptr<Stream>& stream) override {
        if (const MMRESULT checked = CheckFormat(direction, device, format);
            checked != MMSYSERR_NOERROR) {
            return checked;
        }
        std::shared_ptr<const std::vector<std::byte>> source;
        const VirtualConfig& config = shared_->config;
        if (direction == Direction::kInput && (config.source == VirtualConfig::Source::kFileOnce ||
                                               config.source == VirtualConfig::Source::kFileLoop)) {
            source = TakeInputFile();
            if (source == nullptr) {
                return MMSYSERR_ERROR;
            }
        }
        const unsigned index = device == WAVE_MAPPER ? 0 : device;
        stream = std::make_unique<VirtualStream>(shared_, direction, index, format, client,
                                                 std::move(source));
        return MMSYSERR_NOERROR;
    }

    void SetCounts(unsigned inputs, unsigned outputs) {
        inputs_.store(inputs);
        outputs_.store(outputs);
    }

    std::vector<std::byte> Speaker(unsigned device) {
        const std::lock_guard lock(shared_->mutex);
        return device < shared_->speakers.size() ? shared_->speakers[device]
                                                 : std::vector<std::byte>{};
    }

  private:
    // The bytes of the input file whose turn it is. The turn moves on only when the file
    // could be read: an open that fails leaves the same file to the next open. Reading and
    // moving on happen under one lock, so opens on different threads never share a turn.
    std::shared_ptr<const std::vector<std::byte>> TakeInputFile() {
        const std::vector<std::string>& paths = shared_->config.inputPaths;
        if (paths.empty()) {
            return nullptr;
        }
        const std::lock_guard lock(inputTurnMutex_);
        auto data = ReadWholeFile(paths[inputTurn_]);
        if (data != nullptr) {
            inputTurn_ = (inputTurn_ + 1) % paths.size();
        }
        return data;
    }

    std::shared_ptr<VirtualShared> shared_;
    std::atomic<UINT> inputs_;
    std::atomic<UINT> outputs_;
    std::mutex inputTurnMutex_;
    std::size_t inputTurn_ = 0;  // index into config.inputPaths, guarded by inputTurnMutex_
};

}  // namespace

void VirtualShared::Play(unsigned device, const std::byte* data, std::size_t bytes) {
    if (bytes == 0 || config.sink == VirtualConfig::Sink::kDiscard) {
        return;
    }
    const std::lock_guard lock(mutex);
    if (config.sink == VirtualConfig::Sink::kMemory) {
        if (speakers.size() <= device) {
            speakers.resize(device + 1);
        }
        speakers[device].insert(speakers[device].end(), data, data + bytes);
        return;
    }
    if (!sinkFileOpened) {
        // The first output of the process starts the file afresh; later ones append.
        sinkFile.open(config.outputPath, std::ios::binary | std::ios::trunc);
        sinkFileOpened = true;
    }
    sinkFile.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(bytes));
}

void VirtualShared::Flush() {
    const std::lock_guard lock(mutex);
    if (sinkFileOpened) {
        sinkFile.flush();
    }
}

VirtualStream::VirtualStream(std::shared_ptr<VirtualShared> shared, Direction direction,
                             unsigned device, const WAVEFORMATEX& format, StreamClient& client,
                             std::shared_ptr<const std::vector<std::byte>> source)
    : shared_(std::move(shared)),
      direction_(direction),
      device_(device),
      format_(format),
      client_(client),
      source_(std::move(source)) {
    // Periods of 10 ms, in whole frames.
    const std::size_t frames = std::max<std::size_t>(1, format_.nSamplesPerSec / 100);
    periodBytes_ = frames * format_.nBlockAlign;
    scratch_.resize(periodBytes_);
    const VirtualConfig& config = shared_->config;
    const double seconds = static_cast<double>(frames) / format_.nSamplesPerSec;
    double speed = 1.0;
    if (config.pace == VirtualConfig::Pace::kFaster) {
        speed = config.speed;
    }
    if (config.pace == VirtualConfig::Pace::kRealtime ||
        config.pace == VirtualConfig::Pace::kFaster) {
        periodDuration_ = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double>(seconds / speed));
    }
}

VirtualStream::~VirtualStream() {
    Stop();
}

MMRESULT VirtualStream::Start() {
    const std::lock_guard lock(mutex_);
    if (running_) {
        return MMSYSERR_NOERROR;
    }
    running_ = true;
    stopping_ = false;
    started_ = std::chrono::steady_clock::now();
    if (shared_->config.pace != VirtualConfig::Pace::kManual) {
        thread_ = std::thread([this] { Run(); });
    }
    return MMSYSERR_NOERROR;
}

MMRESULT VirtualStream::Stop() {
    {
        const std::lock_guard lock(mutex_);
        if (!running_) {
            return MMSYSERR_NOERROR;
        }
        running_ = false;
        stopping_ = true;
    }
    wakeUp_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
    if (direction_ == Direction::kOutput) {
        shared_->Flush();
    }
    return MMSYSERR_NOERROR;
}

void VirtualStream::Run() {
    std::unique_lock lock(mutex_);
    auto next = started_;
    while (!stopping_) {
        lock.unlock();
        Transfer(periodBytes_);
        lock.lock();
        if (periodDuration_ == std::chrono::steady_clock::duration::zero()) {
            lock.unlock();
            std::this_thread::yield();
            lock.lock();
            continue;
        }
        next += periodDuration_;
        wakeUp_.wait_until(lock, next, [this] { return stopping_; });
    }
}

std::size_t VirtualStream::Advance(std::size_t bytes) {
    const std::lock_guard lock(mutex_);
    if (!running_ || shared_->config.pace != VirtualConfig::Pace::kManual) {
        return 0;
    }
    bytes -= bytes % format_.nBlockAlign;
    for (std::size_t done = 0; done < bytes;) {
        const std::size_t chunk = std::min(periodBytes_, bytes - done);
        Transfer(chunk);
        done += chunk;
    }
    return bytes;
}

bool VirtualStream::ClockTime(std::uint64_t offset, std::chrono::steady_clock::time_point& when) {
    const std::lock_guard lock(mutex_);
    if (!running_ || periodDuration_ == std::chrono::steady_clock::duration::zero()) {
        return false;
    }
    const auto period = static_cast<std::chrono::steady_clock::rep>(offset / periodBytes_);
    when = started_ + period * periodDuration_;
    return true;
}

void VirtualStream::Transfer(std::size_t bytes) {
    if (direction_ == Direction::kInput) {
        Generate(scratch_.data(), bytes);
        client_.OnCapture(scratch_.data(), bytes);
    } else {
        const std::size_t filled = client_.OnPlayback(scratch_.data(), bytes);
        shared_->Play(device_, scratch_.data(), filled);
    }
}

void VirtualStream::Generate(std::byte* data, std::size_t bytes) {
    const VirtualConfig& config = shared_->config;
    const bool eightBit = format_.wBitsPerSample == 8;
    const std::byte silence = eightBit ? std::byte{0x80} : std::byte{0};
    switch (config.source) {
        case VirtualConfig::Source::kFileOnce:
        case VirtualConfig::Source::kFileLoop: {
            const std::vector<std::byte>& file = *source_;
            std::size_t written = 0;
            while (written < bytes) {
                if (sourcePosition_ >= file.size()) {
                    if (config.source == VirtualConfig::Source::kFileOnce || file.empty()) {
                        std::fill(data + written, data + bytes, silence);
                        return;
                    }
                    sourcePosition_ = 0;
                }
                const std::size_t count = std::min(bytes - written, file.size() - sourcePosition_);
                std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(sourcePosition_), count,
                            data + written);
                sourcePosition_ += count;
                written += count;
            }
            return;
        }
        case VirtualConfig::Source::kTone: {
            const double step = 2.0 * std::numbers::pi * config.toneHz / format_.nSamplesPerSec;
            for (std::size_t at = 0; at + format_.nBlockAlign <= bytes; at += format_.nBlockAlign) {
                const double value = std::sin(phase_);
                phase_ = std::fmod(phase_ + step, 2.0 * std::numbers::pi);
                for (std::size_t channel = 0; channel < format_.nChannels; ++channel) {
                    if (eightBit) {
                        data[at + channel] = static_cast<std::byte>(128 + std::lround(100 * value));
                    } else {
                        const auto sample = static_cast<std::uint16_t>(
                            static_cast<std::int16_t>(std::lround(16000 * value)));
                        data[at + 2 * channel] = static_cast<std::byte>(sample & 0xFF);
                        data[at + 2 * channel + 1] = static_cast<std::byte>(sample >> 8);
                    }
                }
            }
            return;
        }
        case VirtualConfig::Source::kSilence:
            std::fill(data, data + bytes, silence);
            return;
    }
}

std::unique_ptr<Backend> MakeVirtualBackend(const VirtualConfig& config) {
    return std::make_unique<VirtualBackend>(config);
}

std::unique_ptr<Backend> MakeVirtualBackend(const char* configuration) {
    const auto config = ParseVirtualConfig(configuration == nullptr ? "" : configuration);
    if (!config) {
        return nullptr;
    }
    return MakeVirtualBackend(*config);
}

bool SetVirtualDeviceCounts(Backend& backend, unsigned inputs, unsigned outputs) {
    auto* virtualBackend = dynamic_cast<VirtualBackend*>(&backend);
    if (virtualBackend == nullptr) {
        return false;
    }
    virtualBackend->SetCounts(inputs, outputs);
    return true;
}

std::vector<std::byte> VirtualSpeakerBytes(Backend& backend, unsigned device) {
    auto* virtualBackend = dynamic_cast<VirtualBackend*>(&backend);
    return virtualBackend == nullptr ? std::vector<std::byte>{} : virtualBackend->Speaker(device);
}

}  // namespace platform::audio
