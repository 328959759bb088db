// CloseHandle on a wave device: the forced close, from outside and from inside the callback.
#include "wave_test_support.h"

namespace wave_test {
namespace {

class ForcedCloseTest : public VirtualDeviceTest {
  protected:
    // Every buffer came back exactly once, done, and no close notification came.
    static void ExpectEachBufferBackOnce(const std::vector<Event>& events, Buffers& buffers,
                                         UINT doneMessage) {
        for (const WAVEHDR& header : buffers.headers) {
            int returned = 0;
            for (const Event& event : events) {
                if (event.header == &header) {
                    ++returned;
                    EXPECT_EQ(event.message, doneMessage);
                    EXPECT_EQ(event.flags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
                }
            }
            EXPECT_EQ(returned, 1);
        }
        for (const Event& event : events) {
            EXPECT_NE(event.message, WIM_CLOSE);
            EXPECT_NE(event.message, WOM_CLOSE);
        }
    }
};

TEST_F(ForcedCloseTest, InputFromOutsideReturnsEveryBufferThenNothingMore) {
    Recorder recorder;
    const HWAVEIN handle = OpenIn(recorder);
    Buffers buffers(3, 1024);
    AddAll(handle, buffers);
    ASSERT_EQ(waveInStart(handle), MMSYSERR_NOERROR);
    va::Advance(handle, 1500);
    ASSERT_TRUE(CloseHandle(handle));
    // Everything came back before CloseHandle returned.
    const auto events = recorder.Events();
    ExpectEachBufferBackOnce(events, buffers, WIM_DATA);
    EXPECT_EQ(buffers.headers[1].dwBytesRecorded, 476u);  // what was recorded so far

    EXPECT_FALSE(CloseHandle(handle));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(waveInAddBuffer(handle, &buffers.headers[0], sizeof(WAVEHDR)), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveInClose(handle), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(va::Advance(handle, 1000), 0u);
    va::Reset();  // joins every thread: any late callback would show now
    EXPECT_EQ(recorder.Events().size(), events.size());
}

TEST_F(ForcedCloseTest, OutputFromOutsideStopsPlaying) {
    Recorder recorder;
    const HWAVEOUT handle = OpenOut(recorder);
    Buffers buffers(3, 2000);
    WriteAll(handle, buffers);
    va::Advance(handle, 2500);
    ASSERT_TRUE(CloseHandle(handle));
    ExpectEachBufferBackOnce(recorder.Events(), buffers, WOM_DONE);
    EXPECT_EQ(va::SpeakerBytes(0).size(), 2500u);
    EXPECT_EQ(waveOutWrite(handle, &buffers.headers[0], sizeof(WAVEHDR)), MMSYSERR_INVALHANDLE);
    EXPECT_FALSE(CloseHandle(handle));
}

TEST_F(ForcedCloseTest, FromInsideTheCallbackTheRestComesBackAfterIt) {
    for (const bool input : {true, false}) {
        SCOPED_TRACE(input ? "input" : "output");
        Recorder recorder;
        bool closedInside = false;
        std::thread::id closingThread;
        recorder.react = [&](HANDLE device, UINT message, WAVEHDR*) {
            if ((message == WIM_DATA || message == WOM_DONE) && !closedInside) {
                closedInside = true;
                closingThread = std::this_thread::get_id();
                EXPECT_TRUE(CloseHandle(device));
                // Released at once, even for its own callback's further calls.
                EXPECT_EQ(waveInStart(static_cast<HWAVEIN>(device)), MMSYSERR_INVALHANDLE);
                EXPECT_EQ(waveOutReset(static_cast<HWAVEOUT>(device)), MMSYSERR_INVALHANDLE);
            }
        };
        Buffers buffers(4, 512);
        HANDLE handle = nullptr;
        if (input) {
            const HWAVEIN in = OpenIn(recorder);
            AddAll(in, buffers);
            ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
            handle = in;
        } else {
            const HWAVEOUT out = OpenOut(recorder);
            WriteAll(out, buffers);
            handle = out;
        }
        va::Advance(handle, 600);
        // The first buffer's callback closed the device; the other three follow it.
        ASSERT_TRUE(recorder.WaitForCount(5));
        const auto events = recorder.Events();
        ExpectEachBufferBackOnce(events, buffers, input ? WIM_DATA : WOM_DONE);
        for (std::size_t i = 1; i < events.size(); ++i) {
            EXPECT_EQ(events[i].thread, closingThread);  // still the delivery thread
        }
        EXPECT_FALSE(CloseHandle(handle));
        va::Reset();  // joins the thread that ended itself
        EXPECT_EQ(recorder.Events().size(), 5u);
        ASSERT_TRUE(va::Install("in=file:mic.raw,out=memory,pace=manual"));
    }
}

}  // namespace
}  // namespace wave_test
