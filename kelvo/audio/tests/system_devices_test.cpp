// Recording and playback through the system's own wave devices, with callbacks on the system's
// audio thread. Under wine the test runs with ALSA's default device made a file device (its
// own ~/.asoundrc): capture reads a file and playback writes one, paced like a sound card.
// wine converts formats on the way, so the bytes are not compared, only what kelvo owns: the
// buffers it writes, the header and the status words.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "kelvo/core/status_words.h"
#include "kelvo/kelvo.h"
#include "temp_dir.h"
#include "wave_signals.h"

namespace {

using test_support::Pcm;
using test_support::WaveFile;

constexpr std::size_t kHeaderBytes = 44;
constexpr std::size_t kBufferBytes = 4096;

// Waits up to 20 s for the condition, looking every 10 ms.
template <typename Condition>
bool WaitFor(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::size_t SizeOf(const char* name) {
    std::error_code error;
    const auto size = std::filesystem::file_size(name, error);
    return error ? 0 : static_cast<std::size_t>(size);
}

class SystemDevices : public test_support::InTempDir {
  protected:
    void SetUp() override {
        InTempDir::SetUp();
        ASSERT_GT(waveInGetNumDevs(), 0u) << "no capture device: run with the file device";
        ASSERT_GT(waveOutGetNumDevs(), 0u) << "no output device: run with the file device";
        InitTonlet();
    }
};

TEST_F(SystemDevices, RecordingWritesWholeBuffersUnderACorrectHeader) {
    HWAVEIN device = nullptr;
    StartRecord(TEXT("recording.wav"), Pcm(), &device, 1);
    ASSERT_EQ(kelvo::LoadStatus(TL_Error), 0u);
    ASSERT_NE(device, nullptr);
    // A few buffers' worth, so that the callbacks have written some while the device ran.
    ASSERT_TRUE(WaitFor([] { return SizeOf("recording.wav") >= kHeaderBytes + 3 * kBufferBytes; }));
    StopRecord(device);
    EXPECT_EQ(kelvo::LoadStatus(TL_Error), 0u);
    EXPECT_EQ(kelvo::LoadStatus(TL_RecordStatus), 4u);

    const std::string file = ReadFile("recording.wav");
    ASSERT_GE(file.size(), kHeaderBytes + 3 * kBufferBytes);
    const std::size_t samples = file.size() - kHeaderBytes;
    EXPECT_EQ(samples % kBufferBytes, 0u) << "a buffer written in part";
    // The header as other programs write it, with the sizes patched in at the stop.
    EXPECT_EQ(file.substr(0, kHeaderBytes),
              WaveFile(std::string(samples, '\0'), Pcm()).substr(0, kHeaderBytes));
}

TEST_F(SystemDevices, PlaybackRunsToTheEndOfTheFile) {
    // Three and a half blocks of a header-less recording: the last block is a short one.
    WriteFile("attempt.raw", std::string(12 + 3 * kBufferBytes + kBufferBytes / 2, '\x80'));
    HWAVEOUT device = nullptr;
    StartPlay(TEXT("attempt.raw"), Pcm(), &device);
    ASSERT_EQ(kelvo::LoadStatus(TL_Error), 0u);
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(WaitFor([] { return kelvo::LoadStatus(TL_PlayStatus) == 3u; }))
        << "the end of the file was never reached";
    StopPlay(device);
    EXPECT_EQ(kelvo::LoadStatus(TL_Error), 0u);
    EXPECT_EQ(kelvo::LoadStatus(TL_PlayStatus), 4u);
}

TEST_F(SystemDevices, RecordingAndPlaybackRunTogether) {
    WriteFile("enrolment.raw", std::string(12 + 8 * kBufferBytes, '\x80'));
    HWAVEIN recorder = nullptr;
    HWAVEOUT player = nullptr;
    StartRecord(TEXT("attempt.raw"), Pcm(), &recorder, 0);
    StartPlay(TEXT("enrolment.raw"), Pcm(), &player);
    ASSERT_EQ(kelvo::LoadStatus(TL_Error), 0u);
    ASSERT_TRUE(WaitFor([] { return SizeOf("attempt.raw") >= 2 * kBufferBytes; }));
    StopPlay(player);
    StopRecord(recorder);
    EXPECT_EQ(kelvo::LoadStatus(TL_Error), 0u);
    EXPECT_EQ(kelvo::LoadStatus(TL_RecordStatus), 4u);
    EXPECT_EQ(kelvo::LoadStatus(TL_PlayStatus), 4u);
    EXPECT_EQ(SizeOf("attempt.raw") % kBufferBytes, 0u);
}

}  // namespace
