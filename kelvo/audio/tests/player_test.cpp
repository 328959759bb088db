// The player's orderly life: what reaches the speaker, with which format, the statuses, and
// the choices for Play pressed again, a stop of the wrong handle and a late close
// notification.
#include <cstring>
#include <thread>

#include "audio_test_support.h"

namespace audio_test {
namespace {

using kelvo::audio::DevicePhase;
using kelvo::audio::kBlockBytes;
using kelvo::audio::Player;

using Playback = AudioTest;

std::string Speaker() {
    const std::vector<unsigned char> bytes = va::SpeakerBytes(0);
    return std::string(bytes.begin(), bytes.end());
}

TEST_F(Playback, RawFilePlaysFromByteTwelveWithTheCallersFormat) {
    const std::string file = Pattern(3 * kBlockBytes + 500, 7);
    WriteFile("1.raw", file);
    const HWAVEOUT handle = Play(u"1.raw");
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(ErrorWord(), 0u);
    EXPECT_EQ(PlayStatus(), 5u);
    const WAVEFORMATEX demo = DemoFormat();
    EXPECT_EQ(memcmp(&Player().format, &demo, sizeof demo), 0);

    va::Advance(handle, file.size());
    EXPECT_EQ(PlayStatus(), 3u) << "the end was read and a block finished since";
    EXPECT_EQ(va::OpenDeviceCount(), 1u) << "the player never closes itself";
    StopPlay(handle);
    EXPECT_EQ(ErrorWord(), 0u);
    EXPECT_EQ(PlayStatus(), 4u);
    EXPECT_TRUE(Speaker() == file.substr(12));
}

// A recording with a header plays with its own format, whatever the caller passes, from the
// first sample.
TEST_F(Playback, HeaderRecordingPlaysWithItsOwnFormat) {
    StopRecordAfter(Record(u"1.wav", 1));
    const HWAVEOUT handle = Play(u"1.wav", Pcm(22050, 16, 2));
    EXPECT_EQ(ErrorWord(), 0u);
    const WAVEFORMATEX demo = DemoFormat();
    EXPECT_EQ(memcmp(&Player().format, &demo, sizeof demo), 0) << "the file's, cbSize 18";
    StopPlayAfter(handle);
    EXPECT_TRUE(Speaker() == microphone_.substr(0, 2 * kBlockBytes));
}

// Files that end within the first block, on a block boundary, or hold nothing to play: the
// last block (possibly empty) is written and the end is reported by status 3.
TEST_F(Playback, ShortExactAndEmptyFiles) {
    for (const std::size_t playable :
         {std::size_t{100}, std::size_t{2 * kBlockBytes}, std::size_t{0}}) {
        const std::string file = Pattern(12 + playable, 3);
        WriteFile("1.raw", file);
        const std::size_t before = Speaker().size();
        const HWAVEOUT handle = Play(u"1.raw");
        EXPECT_EQ(ErrorWord(), 0u) << playable;
        va::WaitDelivered(handle);
        // Nothing has played yet; only blocks with nothing in them are done at once.
        EXPECT_EQ(PlayStatus(), playable == 0 ? 3u : 5u) << playable;
        va::Advance(handle, playable + kBlockBytes);
        EXPECT_EQ(PlayStatus(), 3u) << playable;
        StopPlay(handle);
        EXPECT_EQ(PlayStatus(), 4u);
        EXPECT_EQ(ErrorWord(), 0u);
        EXPECT_TRUE(Speaker().substr(before, playable) == file.substr(12)) << playable;
    }
}

TEST_F(Playback, StopDuringALongFilePlaysOnlyTheQueuedBlocks) {
    const std::string file = Pattern(40 * kBlockBytes, 5);
    WriteFile("long.raw", file);
    const HWAVEOUT handle = Play(u"long.raw");
    va::Advance(handle, kBlockBytes);  // a third block follows the first
    StopPlayAfter(handle);
    EXPECT_EQ(PlayStatus(), 4u);
    EXPECT_EQ(ErrorWord(), 0u);
    EXPECT_TRUE(Speaker() == file.substr(12, 3 * kBlockBytes));
}

TEST_F(Playback, StartClearsAnEarlierError) {
    WriteFile("1.raw", Pattern(1000));
    TL_Error = KELVO_ERR_READ_FILE;
    const HWAVEOUT handle = Play(u"1.raw");
    EXPECT_EQ(ErrorWord(), 0u);
    StopPlayAfter(handle);
}

// Play pressed again while a playback runs: the running one ends (its queued blocks play),
// then the new one starts.
TEST_F(Playback, SecondStartStopsTheRunningPlaybackFirst) {
    const std::string first = Pattern(20 * kBlockBytes, 1);
    const std::string second = Pattern(20 * kBlockBytes, 2);
    WriteFile("1.raw", first);
    WriteFile("2.raw", second);
    const HWAVEOUT running = Play(u"1.raw");
    HWAVEOUT next = nullptr;
    std::thread press([&next] { StartPlay(u"2.raw", DemoFormat(), &next); });
    while (Player().phase.load() != DevicePhase::kStopping) {
        std::this_thread::yield();
    }
    va::Advance(running, 2 * kBlockBytes);
    press.join();
    ASSERT_NE(next, nullptr);
    EXPECT_NE(next, running);
    EXPECT_EQ(ErrorWord(), 0u);
    EXPECT_EQ(PlayStatus(), 5u);
    EXPECT_EQ(va::OpenDeviceCount(), 1u);
    StopPlayAfter(next);
    EXPECT_TRUE(Speaker() ==
                first.substr(12, 2 * kBlockBytes) + second.substr(12, 2 * kBlockBytes));
}

TEST_F(Playback, StopsOfOtherHandlesLeaveThePlaybackAlone) {
    WriteFile("1.raw", Pattern(20 * kBlockBytes));
    const HWAVEOUT earlier = Play(u"1.raw");
    StopPlayAfter(earlier);
    const HWAVEOUT handle = Play(u"1.raw");
    StopPlay(nullptr);
    StopPlay(earlier);
    StopRecord(nullptr);  // nothing recording
    EXPECT_EQ(ErrorWord(), 0u);
    EXPECT_EQ(PlayStatus(), 5u);
    EXPECT_EQ(va::OpenDeviceCount(), 1u);
    StopPlayAfter(handle);
    EXPECT_EQ(PlayStatus(), 4u);
}

// The close notification after the close call returned: the stop has closed the file and set
// 4, and the late notification changes neither.
TEST_F(Playback, LateCloseNotificationLeavesStatusFour) {
    WriteFile("1.raw", Pattern(1000));
    va::HoldCloseNotifications(true);
    StopPlayAfter(Play(u"1.raw"));
    EXPECT_EQ(PlayStatus(), 4u);
    va::ReleaseHeldNotifications();
    EXPECT_EQ(PlayStatus(), 4u);
    EXPECT_EQ(ErrorWord(), 0u);
}

TEST_F(Playback, RecordingAndPlaybackRunTogether) {
    const std::string file = Pattern(6 * kBlockBytes, 9);
    WriteFile("2.raw", file);
    const HWAVEIN recording = Record(u"1.raw");
    const HWAVEOUT playback = Play(u"2.raw");
    ASSERT_EQ(ErrorWord(), 0u);
    va::Advance(recording, 3 * kBlockBytes);
    va::Advance(playback, file.size());
    StopRecordAfter(recording);
    StopPlay(playback);
    EXPECT_EQ(ErrorWord(), 0u);
    EXPECT_EQ(RecordStatus(), 4u);
    EXPECT_EQ(PlayStatus(), 4u);
    EXPECT_TRUE(ReadFile("1.raw") == microphone_.substr(0, 5 * kBlockBytes));
    EXPECT_TRUE(Speaker() == file.substr(12));
}

}  // namespace
}  // namespace audio_test
