// One open wave device: the state machine behind every waveIn* / waveOut* call on a handle.
//
// The backend's real-time thread only moves bytes through a lock-free ring and bumps a wake-up
// counter. Everything else happens under the device's mutex: on the calling thread for the
// wave calls, and on the device's delivery thread, which moves bytes between the ring and the
// queued buffers and makes the WIM_DATA / WOM_DONE callbacks one at a time, in order, never
// holding the mutex while the user's callback runs.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include <mmsystem.h>

#include "backend.h"
#include "byte_ring.h"
#include "handles.h"
#include "wake_threshold.h"

namespace platform::audio {

class WaveDevice final : public HandleObject,
                         public StreamClient,
                         public std::enable_shared_from_this<WaveDevice> {
  public:
    struct Settings {
        Direction direction = Direction::kInput;
        WAVEFORMATEX format{};
        LPWAVECALLBACK callback = nullptr;  // null for CALLBACK_NULL
        DWORD_PTR instance = 0;
    };
    using Publish = void (*)(void* target, HANDLE handle);

    // Opens a stream on the current backend, registers the device's handle, hands it to
    // `publish(target, handle)` and sends the open notification.
    static MMRESULT Open(std::shared_ptr<Backend> backend, const Settings& settings, UINT deviceId,
                         Publish publish, void* target);

    WaveDevice(const Settings& settings, std::shared_ptr<Backend> backend, std::size_t ringBytes);
    ~WaveDevice() override;
    WaveDevice(const WaveDevice&) = delete;
    WaveDevice& operator=(const WaveDevice&) = delete;

    Direction direction() const { return settings_.direction; }
    bool IsOpen();

    MMRESULT Prepare(WAVEHDR& header);
    MMRESULT Unprepare(WAVEHDR& header);
    MMRESULT Queue(WAVEHDR& header);  // waveInAddBuffer / waveOutWrite
    MMRESULT Start();                 // input only
    MMRESULT Stop();                  // input only
    MMRESULT Reset();
    // waveInClose / waveOutClose: refused while buffers are queued.
    MMRESULT CloseNormally();
    // CloseHandle: the forced close.
    BOOL Close() override;
    // Process exit and test reset: stops everything without any further callback.
    void Shutdown();

    // Test control.
    void WaitIdle();
    void ReleaseHeld();
    Stream* stream() const { return stream_.get(); }

    // The backend's real-time thread.
    void OnCapture(const std::byte* data, std::size_t bytes) noexcept override;
    std::size_t OnPlayback(std::byte* data, std::size_t bytes) noexcept override;

  private:
    enum class State { kOpen, kClosed };
    struct Pending {
        UINT message;
        WAVEHDR* header;
        bool held;  // waits for ReleaseHeld
    };
    struct Sent {
        WAVEHDR* header;
        std::uint64_t end;  // stream position at which its last byte has been played
    };

    UINT Message(UINT input, UINT output) const {
        return settings_.direction == Direction::kInput ? input : output;
    }
    void StartDelivery();
    void DeliveryLoop();
    void Wake() noexcept;
    void Notify(UINT message, WAVEHDR* header);
    bool OnDeliveryThread() const;
    void JoinOrBury(bool mayJoin);

    // Under mutex_.
    void Pump();
    void PumpCapture();
    void PumpPlayback();
    void Complete(WAVEHDR& header);
    void ReturnAllBuffers();
    MMRESULT StopStream();
    void ReleaseHeldLocked();

    const Settings settings_;
    std::shared_ptr<Backend> backend_;  // outlives stream_
    ByteRing ring_;
    HANDLE handle_ = nullptr;

    std::atomic<std::uint32_t> wakeups_{0};
    std::atomic<std::uint64_t> played_{0};   // bytes the real-time thread took from the ring
    std::atomic<std::uint64_t> dropped_{0};  // captured bytes the ring had no room for
    WakeThreshold captureWake_;  // input: when the real-time thread wakes the delivery thread

    std::mutex mutex_;
    std::condition_variable idleChanged_;
    State state_ = State::kOpen;
    bool streamRunning_ = false;
    std::deque<WAVEHDR*> queue_;    // queued, not (completely) filled or sent yet
    std::size_t sentOfFront_ = 0;   // output: bytes of queue_.front() already in the ring
    std::deque<Sent> sent_;         // output: completely in the ring, not yet played
    std::uint64_t pushed_ = 0;      // output: bytes ever put in the ring
    std::deque<Pending> messages_;  // notifications waiting for the delivery thread
    bool exiting_ = false;
    bool exited_ = false;
    bool idle_ = false;
    std::uint32_t idleAt_ = 0;
    std::thread delivery_;
    std::thread::id deliveryId_;
    std::shared_ptr<std::atomic<bool>> deliveryFinished_;

    // Last, so that it goes first: its real-time thread uses everything above.
    std::unique_ptr<Stream> stream_;
};

}  // namespace platform::audio
