// Shared by kelvo's recording and playback tests: a fixture on the virtual audio device with a
// hand-driven clock, in a fresh directory, that checks afterwards that no device and no file
// descriptor was left open; and helpers that drive a recording or playback to its end.
#pragma once

#include <dirent.h>
#include <gtest/gtest.h>
#include <mmsystem.h>
#include <platform/virtual_audio.h>
#include <temp_dir.h>
#include <wave_signals.h>

#include <cstdint>
#include <string>
#include <thread>

#include "kelvo/audio/audio_block.h"
#include "kelvo/audio/player_state.h"
#include "kelvo/audio/recorder_state.h"
#include "kelvo/core/status_words.h"
#include "kelvo/kelvo.h"

namespace audio_test {

namespace va = platform::virtual_audio;

using test_support::Pattern;
using test_support::Pcm;
using test_support::U16At;
using test_support::U32At;

// The demo's format: PCM, mono, 11025 samples per second, 8 bits.
inline WAVEFORMATEX DemoFormat() {
    return Pcm();
}

// The status words as the library's callbacks write them: atomically, from their own thread.
inline DWORD ErrorWord() {
    return kelvo::LoadStatus(TL_Error);
}
inline DWORD RecordStatus() {
    return kelvo::LoadStatus(TL_RecordStatus);
}
inline DWORD PlayStatus() {
    return kelvo::LoadStatus(TL_PlayStatus);
}

inline std::size_t OpenFileDescriptors() {
    std::size_t count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr) {
            ++count;
        }
        closedir(dir);
    }
    return count;
}

class AudioTest : public test_support::InTempDir {
  protected:
    static constexpr std::size_t kMicrophoneBytes = 512 * 1024;

    void SetUp() override {
        InTempDir::SetUp();
        microphone_ = Pattern(kMicrophoneBytes);
        WriteFile("mic.raw", microphone_);
        ASSERT_TRUE(va::Install("in=file:mic.raw,out=memory,pace=manual"));
        InitTonlet();
        kelvo::audio::testing::FailBlockAllocation(0);
        descriptors_ = OpenFileDescriptors();
    }

    void TearDown() override {
        EXPECT_EQ(va::OpenDeviceCount(), 0u) << "a device was left open";
        EXPECT_EQ(OpenFileDescriptors(), descriptors_) << "a file was left open";
        kelvo::audio::testing::FailBlockAllocation(0);
        va::Reset();
        // After a failed test the recorder or player may still think a device runs; the
        // next test starts from a stopped library all the same.
        kelvo::audio::Recorder().phase.store(kelvo::audio::DevicePhase::kReleased);
        kelvo::audio::Player().phase.store(kelvo::audio::DevicePhase::kReleased);
        InTempDir::TearDown();
    }

    // StartRecord with the demo's format unless told otherwise.
    static HWAVEIN Record(const char16_t* name, int header = 0,
                          WAVEFORMATEX format = DemoFormat()) {
        HWAVEIN handle = nullptr;
        StartRecord(name, format, &handle, header);
        return handle;
    }

    static HWAVEOUT Play(const char16_t* name, WAVEFORMATEX format = DemoFormat()) {
        HWAVEOUT handle = nullptr;
        StartPlay(name, format, &handle);
        return handle;
    }

    // StopRecord, with the device's clock run by `bytes` once the stop has ended capture, so
    // that the two buffers still with the device fill. The recording then holds exactly what
    // was captured before the stop plus those two buffers.
    static void StopRecordAfter(HWAVEIN handle, std::size_t bytes = 2 * kelvo::audio::kBlockBytes) {
        std::thread stopper([handle] { StopRecord(handle); });
        while (kelvo::audio::Recorder().capturing.load()) {
            std::this_thread::yield();
        }
        va::Advance(handle, bytes);
        stopper.join();
    }

    // StopPlay, with the device's clock run until the blocks still with it have played.
    static void StopPlayAfter(HWAVEOUT handle, std::size_t bytes = 2 * kelvo::audio::kBlockBytes) {
        std::thread stopper([handle] { StopPlay(handle); });
        while (kelvo::audio::Player().moreData.load()) {
            std::this_thread::yield();
        }
        va::Advance(handle, bytes);
        stopper.join();
    }

    std::string microphone_;

  private:
    std::size_t descriptors_ = 0;
};

}  // namespace audio_test
