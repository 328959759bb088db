#include "wave_device.h"

#include <algorithm>

#include "device_registry.h"
#include "fault_injection.h"

namespace platform::audio {
namespace {

// Input keeps up to a second in the ring, so a slow callback does not lose audio; output
// keeps a quarter of a second ahead of the device.
std::size_t RingBytes(Direction direction, const WAVEFORMATEX& format) {
    const std::size_t perSecond = std::size_t{format.nSamplesPerSec} * format.nBlockAlign;
    return direction == Direction::kInput ? std::max<std::size_t>(perSecond, 16384)
                                          : std::max<std::size_t>(perSecond / 4, 4096);
}

}  // namespace

MMRESULT WaveDevice::Open(std::shared_ptr<Backend> backend, const Settings& settings, UINT deviceId,
                          Publish publish, void* target) {
    ReapThreads(false);
    const std::size_t ringBytes = RingBytes(settings.direction, settings.format);
    auto device = std::make_shared<WaveDevice>(settings, std::move(backend), ringBytes);
    MMRESULT result = device->backend_->Open(settings.direction, deviceId, settings.format, *device,
                                             device->stream_);
    if (result != MMSYSERR_NOERROR) {
        return result;
    }
    if (device->stream_ == nullptr) {
        return MMSYSERR_ERROR;
    }
    if (settings.direction == Direction::kOutput) {
        // Output plays whatever is written, as soon as it is written: the stream always runs.
        result = device->stream_->Start();
        if (result != MMSYSERR_NOERROR) {
            return result;
        }
        device->streamRunning_ = true;
    }
    device->StartDelivery();
    const HANDLE handle = AddHandle(device);
    {
        const std::lock_guard lock(device->mutex_);
        device->handle_ = handle;
    }
    RegisterDevice(device);
    publish(target, handle);
    const UINT opened = device->Message(WIM_OPEN, WOM_OPEN);
    if (OpenNotificationsHeld()) {
        const std::lock_guard lock(device->mutex_);
        device->messages_.push_back({opened, nullptr, true});
        device->Wake();
    } else {
        device->Notify(opened, nullptr);
    }
    return MMSYSERR_NOERROR;
}

WaveDevice::WaveDevice(const Settings& settings, std::shared_ptr<Backend> backend,
                       std::size_t ringBytes)
    : settings_(settings), backend_(std::move(backend)), ring_(ringBytes) {}

WaveDevice::~WaveDevice() {
    stream_.reset();
    if (delivery_.joinable()) {
        // Only reached if no close path took the thread over.
        if (delivery_.get_id() == std::this_thread::get_id()) {
            delivery_.detach();
        } else {
            delivery_.join();
        }
    }
}

void WaveDevice::StartDelivery() {
    deliveryFinished_ = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([self = shared_from_this(), finished = deliveryFinished_]() mutable {
        self->DeliveryLoop();
        self.reset();
        finished->store(true, std::memory_order_release);
    });
    const std::lock_guard lock(mutex_);
    deliveryId_ = thread.get_id();
    delivery_ = std::move(thread);
}

bool WaveDevice::OnDeliveryThread() const {
    return std::this_thread::get_id() == deliveryId_;
}

void WaveDevice::Wake() noexcept {
    wakeups_.fetch_add(1, std::memory_order_release);
    wakeups_.notify_one();
}

void WaveDevice::Notify(UINT message, WAVEHDR* header) {
    if (settings_.callback != nullptr) {
        settings_.callback(handle_, message, settings_.instance,
                           reinterpret_cast<DWORD_PTR>(header), 0);
    }
}

void WaveDevice::DeliveryLoop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        const std::uint32_t seen = wakeups_.load(std::memory_order_acquire);
        idle_ = false;
        Pump();
        if (!messages_.empty() && !messages_.front().held) {
            const Pending next = messages_.front();
            messages_.pop_front();
            lock.unlock();
            Notify(next.message, next.header);
            lock.lock();
            continue;
        }
        if (exiting_ && messages_.empty()) {
            break;
        }
        idle_ = true;
        idleAt_ = seen;
        idleChanged_.notify_all();
        lock.unlock();
        wakeups_.wait(seen, std::memory_order_acquire);
        lock.lock();
    }
    exited_ = true;
    idleChanged_.notify_all();
}

void WaveDevice::Pump() {
    if (settings_.direction == Direction::kInput) {
        PumpCapture();
    } else {
        PumpPlayback();
    }
}

void WaveDevice::PumpCapture() {
    for (;;) {
        while (!queue_.empty() &&
               queue_.front()->dwBytesRecorded >= queue_.front()->dwBufferLength) {
            Complete(*queue_.front());
            queue_.pop_front();
        }
        const std::size_t readable = ring_.Readable();
        if (readable > 0 && queue_.empty()) {
            // Nothing queued to record into: like a device, lose what was captured.
            captureWake_.Consumed(ring_.Read(nullptr, readable));
        } else if (readable > 0) {
            WAVEHDR& header = *queue_.front();
            const std::size_t taken =
                ring_.Read(reinterpret_cast<std::byte*>(header.lpData) + header.dwBytesRecorded,
                           header.dwBufferLength - header.dwBytesRecorded);
            captureWake_.Consumed(taken);
            header.dwBytesRecorded += static_cast<DWORD>(taken);
            continue;
        }
        // Tell the real-time thread how many bytes must be waiting before there is work again
        // (the rest of the buffer being filled, or half the ring to throw away), so that it
        // wakes this thread once per buffer rather than once per period.
        const std::size_t wanted =
            queue_.empty() ? ring_.Capacity() / 2
                           : queue_.front()->dwBufferLength - queue_.front()->dwBytesRecorded;
        if (!captureWake_.Expect(wanted)) {
            return;
        }
    }
}

void WaveDevice::PumpPlayback() {
    for (;;) {
        const std::uint64_t played = played_.load(std::memory_order_acquire);
        while (!sent_.empty() && sent_.front().end <= played) {
            Complete(*sent_.front().header);
            sent_.pop_front();
        }
        if (queue_.empty()) {
            return;
        }
        WAVEHDR& header = *queue_.front();
        const std::size_t count =
            ring_.Write(reinterpret_cast<const std::byte*>(header.lpData) + sentOfFront_,
                        header.dwBufferLength - sentOfFront_);
        sentOfFront_ += count;
        pushed_ += count;
        if (sentOfFront_ < header.dwBufferLength) {
            return;  // the ring is full; the real-time thread wakes us when it takes some
        }
        sent_.push_back({&header, pushed_});
        queue_.pop_front();
        sentOfFront_ = 0;
    }
}

void WaveDevice::Complete(WAVEHDR& header) {
    header.dwFlags = (header.dwFlags | WHDR_DONE) & ~WHDR_INQUEUE;
    messages_.push_back({Message(WIM_DATA, WOM_DONE), &header, false});
}

void WaveDevice::ReturnAllBuffers() {
    if (settings_.direction == Direction::kInput) {
        PumpCapture();  // what was recorded so far goes into the buffers first
    } else {
        for (const Sent& sent : sent_) {
            Complete(*sent.header);
        }
        sent_.clear();
        sentOfFront_ = 0;
        ring_.Clear();
        pushed_ = 0;
        played_.store(0, std::memory_order_release);
    }
    for (WAVEHDR* header : queue_) {
        Complete(*header);
    }
    queue_.clear();
}

MMRESULT WaveDevice::StopStream() {
    if (!streamRunning_) {
        return MMSYSERR_NOERROR;
    }
    streamRunning_ = false;
    return stream_->Stop();
}

void WaveDevice::ReleaseHeldLocked() {
    for (Pending& message : messages_) {
        message.held = false;
    }
}

bool WaveDevice::IsOpen() {
    const std::lock_guard lock(mutex_);
    return state_ == State::kOpen;
}

MMRESULT WaveDevice::Prepare(WAVEHDR& header) {
    const std::lock_guard lock(mutex_);
    if (state_ != State::kOpen) {
        return MMSYSERR_INVALHANDLE;
    }
    header.dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WaveDevice::Unprepare(WAVEHDR& header) {
    const std::lock_guard lock(mutex_);
    if (state_ != State::kOpen) {
        return MMSYSERR_INVALHANDLE;
    }
    if ((header.dwFlags & WHDR_INQUEUE) != 0) {
        return WAVERR_STILLPLAYING;
    }
    header.dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WaveDevice::Queue(WAVEHDR& header) {
    const std::lock_guard lock(mutex_);
    if (state_ != State::kOpen) {
        return MMSYSERR_INVALHANDLE;
    }
    if ((header.dwFlags & WHDR_PREPARED) == 0) {
        return WAVERR_UNPREPARED;
    }
    if ((header.dwFlags & WHDR_INQUEUE) != 0) {
        return WAVERR_STILLPLAYING;
    }
    header.dwFlags = (header.dwFlags | WHDR_INQUEUE) & ~WHDR_DONE;
    if (settings_.direction == Direction::kInput) {
        header.dwBytesRecorded = 0;
    }
    queue_.push_back(&header);
    Wake();
    return MMSYSERR_NOERROR;
}

MMRESULT WaveDevice::Start() {
    const std::lock_guard lock(mutex_);
    if (state_ != State::kOpen) {
        return MMSYSERR_INVALHANDLE;
    }
    if (streamRunning_) {
        return MMSYSERR_NOERROR;
    }
    const MMRESULT result = stream_->Start();
    streamRunning_ = result == MMSYSERR_NOERROR;
    return result;
}

MMRESULT WaveDevice::Stop() {
    const std::lock_guard lock(mutex_);
    if (state_ != State::kOpen) {
        return MMSYSERR_INVALHANDLE;
    }
    const MMRESULT result = StopStream();
    PumpCapture();
    if (!queue_.empty() && queue_.front()->dwBytesRecorded > 0) {
        Complete(*queue_.front());
        queue_.pop_front();
    }
    Wake();
    return result;
}

MMRESULT WaveDevice::Reset() {
    const std::lock_guard lock(mutex_);
    if (state_ != State::kOpen) {
        return MMSYSERR_INVALHANDLE;
    }
    MMRESULT result = StopStream();
    ReturnAllBuffers();
    if (settings_.direction == Direction::kOutput && result == MMSYSERR_NOERROR) {
        result = stream_->Start();
        streamRunning_ = result == MMSYSERR_NOERROR;
    }
    Wake();
    return result;
}

void WaveDevice::JoinOrBury(bool mayJoin) {
    if (mayJoin && !OnDeliveryThread()) {
        delivery_.join();
    } else {
        BuryThread(std::move(delivery_), deliveryFinished_);
    }
}

MMRESULT WaveDevice::CloseNormally() {
    const bool hold = CloseNotificationsHeld();
    {
        const std::lock_guard lock(mutex_);
        if (state_ != State::kOpen) {
            return MMSYSERR_INVALHANDLE;
        }
        if (!queue_.empty() || !sent_.empty()) {
            return WAVERR_STILLPLAYING;
        }
        // From inside a callback, notifications still waiting would have to follow the close
        // notification: refuse, as for queued buffers.
        if (OnDeliveryThread() && !messages_.empty()) {
            return WAVERR_STILLPLAYING;
        }
        state_ = State::kClosed;
        StopStream();
        exiting_ = true;
        if (hold) {
            messages_.push_back({Message(WIM_CLOSE, WOM_CLOSE), nullptr, true});
        } else {
            ReleaseHeldLocked();
        }
        Wake();
    }
    RemoveHandle(handle_);
    JoinOrBury(!hold);
    if (!hold) {
        Notify(Message(WIM_CLOSE, WOM_CLOSE), nullptr);
    }
    return MMSYSERR_NOERROR;
}

BOOL WaveDevice::Close() {
    {
        const std::lock_guard lock(mutex_);
        if (state_ != State::kOpen) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        state_ = State::kClosed;
        StopStream();
        ReturnAllBuffers();
        ReleaseHeldLocked();
        exiting_ = true;
        Wake();
    }
    // From inside a callback the delivery thread returns the buffers once that callback is
    // over, then ends; another thread joins it.
    JoinOrBury(true);
    return TRUE;
}

void WaveDevice::Shutdown() {
    bool wasOpen = false;
    {
        const std::lock_guard lock(mutex_);
        wasOpen = state_ == State::kOpen;
        state_ = State::kClosed;
        StopStream();
        // The user's buffers may be gone already: forget them without touching them.
        queue_.clear();
        sent_.clear();
        messages_.clear();
        exiting_ = true;
        Wake();
    }
    if (wasOpen) {
        RemoveHandle(handle_);
        JoinOrBury(true);
    }
}

void WaveDevice::WaitIdle() {
    std::unique_lock lock(mutex_);
    idleChanged_.wait(lock, [this] {
        return exited_ || (idle_ && idleAt_ == wakeups_.load(std::memory_order_acquire));
    });
}

void WaveDevice::ReleaseHeld() {
    const std::lock_guard lock(mutex_);
    ReleaseHeldLocked();
    Wake();
}

void WaveDevice::OnCapture(const std::byte* data, std::size_t bytes) noexcept {
    // Counted before the bytes land, so that the count never falls below what the ring holds
    // when the delivery thread takes them; bytes the ring had no room for are taken back.
    const bool reached = captureWake_.Arrived(bytes);
    const std::size_t written = ring_.Write(data, bytes);
    if (written < bytes) {
        dropped_.fetch_add(bytes - written, std::memory_order_relaxed);
        captureWake_.Consumed(bytes - written);
    }
    if (reached || written < bytes) {
        Wake();
    }
}

std::size_t WaveDevice::OnPlayback(std::byte* data, std::size_t bytes) noexcept {
    const std::size_t taken = ring_.Read(data, bytes);
    if (taken > 0) {
        played_.fetch_add(taken, std::memory_order_release);
        Wake();
    }
    return taken;
}

}  // namespace platform::audio
