// waveOut*: playback on the virtual speaker, call by call.
#include "wave_test_support.h"

namespace wave_test {
namespace {

class WaveOutTest : public VirtualDeviceTest {};

std::string Played() {
    const auto bytes = va::SpeakerBytes(0);
    return std::string(bytes.begin(), bytes.end());
}

Buffers PatternBuffers(std::size_t count, std::size_t bytes) {
    Buffers buffers(count, bytes);
    for (std::size_t i = 0; i < count; ++i) {
        buffers.data[i] = Pattern(bytes, static_cast<unsigned>(i + 7));
        buffers.headers[i].lpData = buffers.data[i].data();
    }
    return buffers;
}

TEST_F(WaveOutTest, PlaysExactlyTheWrittenBytesInOrder) {
    Recorder recorder;
    const HWAVEOUT handle = OpenOut(recorder);
    Buffers buffers = PatternBuffers(5, 3000);
    WriteAll(handle, buffers);
    // More than was written: the device plays silence after, which the speaker does not keep.
    EXPECT_EQ(va::Advance(handle, 20000), 20000u);

    std::string written;
    for (const std::string& data : buffers.data) {
        written += data;
    }
    EXPECT_EQ(Played(), written);
    const auto events = recorder.Events();
    ASSERT_EQ(events.size(), 6u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(events[i + 1].message, WOM_DONE);
        EXPECT_EQ(events[i + 1].header, &buffers.headers[i]);
        EXPECT_EQ(events[i + 1].flags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
        EXPECT_NE(events[i + 1].thread, std::this_thread::get_id());
    }
    EXPECT_EQ(waveOutClose(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(recorder.Messages().back(), WOM_CLOSE);
}

TEST_F(WaveOutTest, BufferIsDoneOnlyOnceItsLastByteWasPlayed) {
    Recorder recorder;
    const HWAVEOUT handle = OpenOut(recorder);
    Buffers buffers = PatternBuffers(1, 1000);
    WriteAll(handle, buffers);
    va::Advance(handle, 999);
    EXPECT_EQ(recorder.Messages(), std::vector<UINT>{WOM_OPEN});
    EXPECT_EQ(waveOutUnprepareHeader(handle, &buffers.headers[0], sizeof(WAVEHDR)),
              WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutClose(handle), WAVERR_STILLPLAYING);
    va::Advance(handle, 1);
    EXPECT_EQ(recorder.Messages(), (std::vector<UINT>{WOM_OPEN, WOM_DONE}));
    EXPECT_EQ(waveOutUnprepareHeader(handle, &buffers.headers[0], sizeof(WAVEHDR)),
              MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(handle), MMSYSERR_NOERROR);
}

TEST_F(WaveOutTest, ResetStopsPlayingAndReturnsEveryBuffer) {
    Recorder recorder;
    const HWAVEOUT handle = OpenOut(recorder);
    Buffers buffers = PatternBuffers(3, 4096);
    WriteAll(handle, buffers);
    va::Advance(handle, 5000);
    ASSERT_EQ(waveOutReset(handle), MMSYSERR_NOERROR);
    va::WaitDelivered(handle);
    const auto events = recorder.Events();
    ASSERT_EQ(events.size(), 4u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(events[i + 1].header, &buffers.headers[i]);
        EXPECT_EQ(events[i + 1].flags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    }
    EXPECT_EQ(Played(), (buffers.data[0] + buffers.data[1]).substr(0, 5000));

    // The device plays what is written after the reset, and nothing left from before it.
    Buffers after = PatternBuffers(1, 100);
    WriteAll(handle, after);
    va::Advance(handle, 4096);
    EXPECT_EQ(Played(), (buffers.data[0] + buffers.data[1]).substr(0, 5000) + after.data[0]);
    EXPECT_EQ(waveOutClose(handle), MMSYSERR_NOERROR);
}

TEST_F(WaveOutTest, CallbackWritesTheNextBuffer) {
    Recorder recorder;
    Buffers buffers = PatternBuffers(6, 700);
    std::size_t next = 1;
    recorder.react = [&](HANDLE device, UINT message, WAVEHDR* header) {
        if (message != WOM_DONE) {
            return;
        }
        const auto out = static_cast<HWAVEOUT>(device);
        EXPECT_EQ(waveOutUnprepareHeader(out, header, sizeof *header), MMSYSERR_NOERROR);
        if (next < buffers.headers.size()) {
            WAVEHDR& following = buffers.headers[next++];
            EXPECT_EQ(waveOutPrepareHeader(out, &following, sizeof following), MMSYSERR_NOERROR);
            EXPECT_EQ(waveOutWrite(out, &following, sizeof following), MMSYSERR_NOERROR);
        }
    };
    const HWAVEOUT handle = OpenOut(recorder);
    ASSERT_EQ(waveOutPrepareHeader(handle, &buffers.headers[0], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(handle, &buffers.headers[0], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    // Each buffer of 700 bytes takes at most two steps of 500: the step that finishes it
    // plays silence for the rest while the callback writes the next one.
    for (int i = 0; i < 12; ++i) {
        va::Advance(handle, 500);
    }
    std::string written;
    for (const std::string& data : buffers.data) {
        written += data;
    }
    EXPECT_EQ(Played(), written);
    EXPECT_EQ(waveOutClose(handle), MMSYSERR_NOERROR);
}

TEST_F(WaveOutTest, EveryCallRefusesHandlesThatAreNotOpenOutputs) {
    Recorder recorder;
    const HWAVEOUT closed = OpenOut(recorder);
    ASSERT_EQ(waveOutClose(closed), MMSYSERR_NOERROR);
    const HWAVEIN input = OpenIn(recorder);
    const HWAVEOUT wrongDirection = reinterpret_cast<HWAVEOUT>(input);
    Buffers buffers(1, 16);
    WAVEHDR& header = buffers.headers[0];
    for (const HWAVEOUT handle : {HWAVEOUT{}, closed, wrongDirection}) {
        EXPECT_EQ(waveOutPrepareHeader(handle, &header, sizeof header), MMSYSERR_INVALHANDLE);
        EXPECT_EQ(waveOutUnprepareHeader(handle, &header, sizeof header), MMSYSERR_INVALHANDLE);
        EXPECT_EQ(waveOutWrite(handle, &header, sizeof header), MMSYSERR_INVALHANDLE);
        EXPECT_EQ(waveOutReset(handle), MMSYSERR_INVALHANDLE);
        EXPECT_EQ(waveOutClose(handle), MMSYSERR_INVALHANDLE);
    }
    EXPECT_EQ(waveInClose(input), MMSYSERR_NOERROR);
}

}  // namespace
}  // namespace wave_test
