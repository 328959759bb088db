// Shared by the waveform audio tests: a fixture that installs the virtual device with a file
// as its microphone and a hand-driven clock, and a callback that records every notification.
#pragma once

#include <gtest/gtest.h>
#include <mmsystem.h>
#include <platform/virtual_audio.h>
#include <temp_dir.h>
#include <wave_signals.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace wave_test {

namespace va = platform::virtual_audio;

using test_support::Pattern;
using test_support::Pcm;

struct Event {
    UINT message;
    WAVEHDR* header;
    DWORD flags;
    DWORD bytesRecorded;
    std::thread::id thread;
};

// Records every callback; an optional reaction runs inside the callback, without the lock.
class Recorder {
  public:
    std::function<void(HANDLE device, UINT message, WAVEHDR* header)> react;

    static void CALLBACK Callback(HANDLE device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                  DWORD_PTR /*param2*/) {
        auto* self = reinterpret_cast<Recorder*>(instance);
        auto* header = reinterpret_cast<WAVEHDR*>(param1);
        {
            const std::lock_guard lock(self->mutex_);
            self->events_.push_back({message, header, header ? header->dwFlags : 0,
                                     header ? header->dwBytesRecorded : 0,
                                     std::this_thread::get_id()});
        }
        if (self->react) {
            self->react(device, message, header);
        }
        self->changed_.notify_all();
    }

    DWORD_PTR callback() const { return reinterpret_cast<DWORD_PTR>(&Recorder::Callback); }
    DWORD_PTR instance() { return reinterpret_cast<DWORD_PTR>(this); }

    std::vector<Event> Events() {
        const std::lock_guard lock(mutex_);
        return events_;
    }
    std::vector<UINT> Messages() {
        std::vector<UINT> messages;
        for (const Event& event : Events()) {
            messages.push_back(event.message);
        }
        return messages;
    }
    // For notifications the test cannot wait for through the control (a device closed from
    // inside its callback): waits until `count` have arrived. The generous limit only keeps a
    // broken build from hanging; the outcome never depends on it.
    bool WaitForCount(std::size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(20),
                                 [&] { return events_.size() >= count; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Event> events_;
};

// Buffers of one size, prepared or not by the test.
struct Buffers {
    Buffers(std::size_t count, std::size_t bytes) : data(count, std::string(bytes, '\0')) {
        headers.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            headers[i].lpData = data[i].data();
            headers[i].dwBufferLength = static_cast<DWORD>(bytes);
        }
    }
    std::vector<std::string> data;
    std::vector<WAVEHDR> headers;
};

// The virtual device with `in=file:mic.raw,out=memory,pace=manual` in a fresh directory.
class VirtualDeviceTest : public test_support::InTempDir {
  protected:
    void SetUp() override {
        InTempDir::SetUp();
        microphone_ = Pattern(256 * 1024);
        WriteFile("mic.raw", microphone_);
        ASSERT_TRUE(va::Install("in=file:mic.raw,out=memory,pace=manual"));
    }
    void TearDown() override {
        va::Reset();
        InTempDir::TearDown();
    }

    HWAVEIN OpenIn(Recorder& recorder, WAVEFORMATEX format = Pcm()) {
        HWAVEIN handle = nullptr;
        EXPECT_EQ(waveInOpen(&handle, WAVE_MAPPER, &format, recorder.callback(),
                             recorder.instance(), CALLBACK_FUNCTION),
                  MMSYSERR_NOERROR);
        return handle;
    }
    HWAVEOUT OpenOut(Recorder& recorder, WAVEFORMATEX format = Pcm()) {
        HWAVEOUT handle = nullptr;
        EXPECT_EQ(waveOutOpen(&handle, WAVE_MAPPER, &format, recorder.callback(),
                              recorder.instance(), CALLBACK_FUNCTION),
                  MMSYSERR_NOERROR);
        return handle;
    }
    static void AddAll(HWAVEIN handle, Buffers& buffers) {
        for (WAVEHDR& header : buffers.headers) {
            ASSERT_EQ(waveInPrepareHeader(handle, &header, sizeof header), MMSYSERR_NOERROR);
            ASSERT_EQ(waveInAddBuffer(handle, &header, sizeof header), MMSYSERR_NOERROR);
        }
    }
    static void WriteAll(HWAVEOUT handle, Buffers& buffers) {
        for (WAVEHDR& header : buffers.headers) {
            ASSERT_EQ(waveOutPrepareHeader(handle, &header, sizeof header), MMSYSERR_NOERROR);
            ASSERT_EQ(waveOutWrite(handle, &header, sizeof header), MMSYSERR_NOERROR);
        }
    }

    std::string microphone_;
};

}  // namespace wave_test
