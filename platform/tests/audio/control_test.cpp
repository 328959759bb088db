// The test control: injected results, held notifications, the paced clock and the file sink.
#include <fstream>
#include <sstream>

#include "wave_test_support.h"

namespace wave_test {
namespace {

class ControlTest : public VirtualDeviceTest {};

TEST_F(ControlTest, OnlyTheNthCallReturnsTheInjectedResult) {
    Recorder recorder;
    const HWAVEIN handle = OpenIn(recorder);
    Buffers buffers(3, 64);
    va::FailCall(va::WaveCall::kWaveInPrepareHeader, 2, MMSYSERR_NOMEM);
    EXPECT_EQ(waveInPrepareHeader(handle, &buffers.headers[0], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInPrepareHeader(handle, &buffers.headers[1], sizeof(WAVEHDR)), MMSYSERR_NOMEM);
    EXPECT_EQ(buffers.headers[1].dwFlags, 0u);  // it did not run
    EXPECT_EQ(waveInPrepareHeader(handle, &buffers.headers[2], sizeof(WAVEHDR)), MMSYSERR_NOERROR);

    ASSERT_TRUE(va::FailCall("waveInGetNumDevs", 1, 5));
    EXPECT_EQ(waveInGetNumDevs(), 5u);
    EXPECT_EQ(waveInGetNumDevs(), 1u);
    EXPECT_FALSE(va::FailCall("waveInFly", 1, 5));

    // A failed open opens nothing and notifies nobody.
    ASSERT_TRUE(va::FailCall("waveOutOpen", 1, MMSYSERR_ALLOCATED));
    Recorder other;
    HWAVEOUT out = nullptr;
    const WAVEFORMATEX format = Pcm();
    EXPECT_EQ(waveOutOpen(&out, 0, &format, other.callback(), other.instance(), CALLBACK_FUNCTION),
              MMSYSERR_ALLOCATED);
    EXPECT_EQ(out, nullptr);
    EXPECT_TRUE(other.Events().empty());

    va::FailCall(va::WaveCall::kWaveInClose, 1, MMSYSERR_ERROR);
    va::ClearFailures();
    EXPECT_EQ(waveInClose(handle), MMSYSERR_NOERROR);
}

TEST_F(ControlTest, HeldOpenNotificationComesAfterTheOpenOnTheDeliveryThread) {
    va::HoldOpenNotifications(true);
    Recorder recorder;
    const HWAVEIN handle = OpenIn(recorder);
    Buffers buffers(1, 100);
    AddAll(handle, buffers);
    ASSERT_EQ(waveInStart(handle), MMSYSERR_NOERROR);
    va::Advance(handle, 100);
    EXPECT_TRUE(recorder.Events().empty());  // the data waits behind the open notification
    va::ReleaseHeldNotifications();
    const auto events = recorder.Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].message, WIM_OPEN);
    EXPECT_EQ(events[1].message, WIM_DATA);
    EXPECT_NE(events[0].thread, std::this_thread::get_id());
    EXPECT_EQ(waveInClose(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(recorder.Messages().back(), WIM_CLOSE);
}

TEST_F(ControlTest, HeldCloseNotificationComesAfterTheClose) {
    Recorder recorder;
    const HWAVEOUT handle = OpenOut(recorder);
    va::HoldCloseNotifications(true);
    ASSERT_EQ(waveOutClose(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(recorder.Messages(), std::vector<UINT>{WOM_OPEN});
    EXPECT_EQ(waveOutReset(handle), MMSYSERR_INVALHANDLE);  // closed all the same
    va::ReleaseHeldNotifications();
    const auto events = recorder.Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].message, WOM_CLOSE);
    EXPECT_NE(events[1].thread, std::this_thread::get_id());
}

TEST_F(ControlTest, PacedDeviceRecordsOnItsOwnThread) {
    ASSERT_TRUE(va::Install("in=file:mic.raw,pace=100"));
    Recorder recorder;
    const HWAVEIN handle = OpenIn(recorder);
    Buffers buffers(3, 2205);
    AddAll(handle, buffers);
    ASSERT_EQ(waveInStart(handle), MMSYSERR_NOERROR);
    ASSERT_TRUE(recorder.WaitForCount(4));
    std::chrono::steady_clock::time_point when;
    EXPECT_TRUE(va::DeviceClockTime(handle, 0, when));
    ASSERT_EQ(waveInReset(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(buffers.data[0] + buffers.data[1] + buffers.data[2], microphone_.substr(0, 3 * 2205));
    EXPECT_EQ(waveInClose(handle), MMSYSERR_NOERROR);
}

TEST_F(ControlTest, FileSpeakerKeepsWhatWasPlayed) {
    ASSERT_TRUE(va::Install("out=file:played.raw,pace=manual"));
    Recorder recorder;
    const HWAVEOUT handle = OpenOut(recorder);
    Buffers buffers(2, 3000);
    buffers.data[0] = Pattern(3000, 3);
    buffers.data[1] = Pattern(3000, 4);
    buffers.headers[0].lpData = buffers.data[0].data();
    buffers.headers[1].lpData = buffers.data[1].data();
    WriteAll(handle, buffers);
    va::Advance(handle, 8000);
    ASSERT_EQ(waveOutClose(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(ReadFile("played.raw"), buffers.data[0] + buffers.data[1]);
}

// A process that exits with devices open, running and with buffers queued exits cleanly: the
// layer stops and joins its threads without calling back into a program that is going away.
TEST(WaveExitTest, ProcessExitsCleanlyWithDevicesOpen) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            va::Install("in=tone:440,pace=50");
            static Recorder recorder;
            static Buffers buffers(4, 256);
            const WAVEFORMATEX format = Pcm();
            HWAVEIN in = nullptr;
            waveInOpen(&in, 0, &format, recorder.callback(), recorder.instance(),
                       CALLBACK_FUNCTION);
            for (WAVEHDR& header : buffers.headers) {
                waveInPrepareHeader(in, &header, sizeof header);
                waveInAddBuffer(in, &header, sizeof header);
            }
            waveInStart(in);
            HWAVEOUT out = nullptr;
            waveOutOpen(&out, 0, &format, 0, 0, CALLBACK_NULL);
            std::exit(recorder.WaitForCount(3) ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace wave_test
