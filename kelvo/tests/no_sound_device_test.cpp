// Through the shared library on a machine without sound devices: the starts report it and
// leave nothing running. On Linux the virtual device is installed with none; under wine the
// test runs with the audio drivers off, so the system itself has none.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "kelvo/kelvo.h"
#if !defined(_WIN32)
#include "platform/virtual_audio.h"
#endif

namespace {

TEST(NoSoundDevice, StartsReportItAndStopsDoNothing) {
#if !defined(_WIN32)
    ASSERT_TRUE(platform::virtual_audio::Install("inputs=0,outputs=0"));
#endif
    ASSERT_EQ(waveInGetNumDevs(), 0u);
    ASSERT_EQ(waveOutGetNumDevs(), 0u);
    WAVEFORMATEX format = {WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 18};
    HWAVEIN recorder = nullptr;
    StartRecord(TEXT("kelvo-no-device-test.raw"), format, &recorder, 0);
    EXPECT_EQ(TL_Error, static_cast<DWORD>(KELVO_ERR_NO_DEVICE));
    EXPECT_EQ(recorder, nullptr);
    StopRecord(recorder);

    // A file that is there plays into no device; a missing one reads 25 instead.
    std::ofstream("kelvo-no-device-test-play.raw", std::ios::binary) << std::string(8192, '\x80');
    const struct {
        LPCWSTR file;
        DWORD error;
    } plays[] = {{TEXT("kelvo-no-device-test-play.raw"), KELVO_ERR_NO_DEVICE},
                 {TEXT("kelvo-no-device-test-missing.raw"), KELVO_ERR_OPEN_FILE}};
    for (const auto& play : plays) {
        HWAVEOUT player = nullptr;
        StartPlay(play.file, format, &player);
        EXPECT_EQ(TL_Error, play.error);
        EXPECT_EQ(TL_PlayStatus, 4u);
        EXPECT_EQ(player, nullptr);
        StopPlay(player);
    }
#if !defined(_WIN32)
    EXPECT_EQ(platform::virtual_audio::OpenDeviceCount(), 0u);
    platform::virtual_audio::Reset();
#endif
}

}  // namespace
