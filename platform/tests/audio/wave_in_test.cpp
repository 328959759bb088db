// waveIn*: recording on the virtual microphone, call by call.
#include <atomic>
#include <cstdlib>
#include <latch>
#include <map>

#include "wave_test_support.h"

namespace wave_test {
namespace {

class WaveInTest : public VirtualDeviceTest {};

std::string Recorded(const WAVEHDR& header) {
    return std::string(header.lpData, header.dwBytesRecorded);
}

TEST_F(WaveInTest, RecordsExactlyWhatTheMicrophoneCaptures) {
    Recorder recorder;
    const HWAVEIN handle = OpenIn(recorder);
    Buffers buffers(10, 4096);
    AddAll(handle, buffers);
    ASSERT_EQ(waveInStart(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(va::Advance(handle, 10 * 4096), 10u * 4096);

    const auto events = recorder.Events();
    ASSERT_EQ(events.size(), 11u);
    EXPECT_EQ(events[0].message, WIM_OPEN);
    std::string recorded;
    for (std::size_t i = 0; i < 10; ++i) {
        const Event& event = events[i + 1];
        EXPECT_EQ(event.message, WIM_DATA);
        EXPECT_EQ(event.header, &buffers.headers[i]);  // in the order they were added
        EXPECT_EQ(event.flags & (WHDR_DONE | WHDR_INQUEUE | WHDR_PREPARED),
                  WHDR_DONE | WHDR_PREPARED);
        EXPECT_EQ(event.bytesRecorded, 4096u);
        EXPECT_NE(event.thread, std::this_thread::get_id());  // the delivery thread
        EXPECT_EQ(event.thread, events[1].thread);            // always the same one
        recorded += Recorded(buffers.headers[i]);
    }
    EXPECT_EQ(recorded, microphone_.substr(0, 10 * 4096));
    EXPECT_EQ(waveInClose(handle), MMSYSERR_NOERROR);
}

TEST_F(WaveInTest, NothingIsCapturedBeforeStartOrWithoutBuffers) {
    Recorder recorder;
    const HWAVEIN handle = OpenIn(recorder);
    Buffers buffers(1, 1000);
    AddAll(handle, buffers);
    EXPECT_EQ(va::Advance(handle, 4000), 0u);  // not started
    ASSERT_EQ(waveInStart(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(va::Advance(handle, 1500), 1500u);
    // The first 1000 bytes filled the buffer; the next 500 found nothing queued and are lost.
    Buffers more(1, 100);
    AddAll(handle, more);
    va::Advance(handle, 100);
    EXPECT_EQ(Recorded(buffers.headers[0]), microphone_.substr(0, 1000));
    EXPECT_EQ(Recorded(more.headers[0]), microphone_.substr(1500, 100));
    EXPECT_EQ(waveInClose(handle), MMSYSERR_NOERROR);
}

TEST_F(WaveInTest, StopReturnsThePartlyFilledBufferAndKeepsTheRest) {
    Recorder recorder;
    const HWAVEIN handle = OpenIn(recorder);
    Buffers buffers(2, 4096);
    AddAll(handle, buffers);
    ASSERT_EQ(waveInStart(handle), MMSYSERR_NOERROR);
    va::Advance(handle, 1000);
    ASSERT_EQ(waveInStop(handle), MMSYSERR_NOERROR);
    va::WaitDelivered(handle);
    EXPECT_EQ(recorder.Messages(), (std::vector<UINT>{WIM_OPEN, WIM_DATA}));
    EXPECT_EQ(buffers.headers[0].dwBytesRecorded, 1000u);
    EXPECT_EQ(Recorded(buffers.headers[0]), microphone_.substr(0, 1000));
    EXPECT_NE(buffers.headers[1].dwFlags & WHDR_INQUEUE, 0u);

    // Stopped: the clock moves nothing; a second stop returns no empty buffer.
    EXPECT_EQ(va::Advance(handle, 1000), 0u);
    ASSERT_EQ(waveInStop(handle), MMSYSERR_NOERROR);
    va::WaitDelivered(handle);
    EXPECT_EQ(recorder.Events().size(), 2u);

    // Started again, recording goes on into the next buffer.
    ASSERT_EQ(waveInStart(handle), MMSYSERR_NOERROR);
    va::Advance(handle, 4096);
    EXPECT_EQ(Recorded(buffers.headers[1]), microphone_.substr(1000, 4096));
    EXPECT_EQ(waveInClose(handle), MMSYSERR_NOERROR);
}

TEST_F(WaveInTest, ResetReturnsEveryQueuedBufferAndStopsCapture) {
    Recorder recorder;
    const HWAVEIN handle = OpenIn(recorder);
    Buffers buffers(3, 4096);
    AddAll(handle, buffers);
    ASSERT_EQ(waveInStart(handle), MMSYSERR_NOERROR);
    va::Advance(handle, 5000);
    EXPECT_EQ(waveInClose(handle), WAVERR_STILLPLAYING);
    ASSERT_EQ(waveInReset(handle), MMSYSERR_NOERROR);
    va::WaitDelivered(handle);

    const auto events = recorder.Events();
    ASSERT_EQ(events.size(), 4u);
    const DWORD expectedBytes[] = {4096, 904, 0};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(events[i + 1].message, WIM_DATA);
        EXPECT_EQ(events[i + 1].header, &buffers.headers[i]);
        EXPECT_EQ(events[i + 1].bytesRecorded, expectedBytes[i]);
        EXPECT_EQ(events[i + 1].flags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    }
    EXPECT_EQ(va::Advance(handle, 1000), 0u);  // capture stopped
    EXPECT_EQ(waveInClose(handle), MMSYSERR_NOERROR);
}

TEST_F(WaveInTest, PrepareUnprepareAndAddFlagsAndErrors) {
    Recorder recorder;
    const HWAVEIN handle = OpenIn(recorder);
    Buffers buffers(1, 64);
    WAVEHDR& header = buffers.headers[0];
    WAVEHDR noData = header;
    noData.lpData = nullptr;

    EXPECT_EQ(waveInAddBuffer(handle, &header, sizeof header), WAVERR_UNPREPARED);
    EXPECT_EQ(waveInPrepareHeader(handle, nullptr, sizeof header), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveInPrepareHeader(handle, &header, sizeof header - 1), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveInPrepareHeader(handle, &noData, sizeof noData), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveInAddBuffer(handle, nullptr, sizeof header), MMSYSERR_INVALPARAM);

    ASSERT_EQ(waveInPrepareHeader(handle, &header, sizeof header), MMSYSERR_NOERROR);
    EXPECT_EQ(header.dwFlags, WHDR_PREPARED);
    ASSERT_EQ(waveInAddBuffer(handle, &header, sizeof header), MMSYSERR_NOERROR);
    EXPECT_EQ(header.dwFlags, WHDR_PREPARED | WHDR_INQUEUE);
    EXPECT_EQ(waveInAddBuffer(handle, &header, sizeof header), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveInUnprepareHeader(handle, &header, sizeof header), WAVERR_STILLPLAYING);

    ASSERT_EQ(waveInStart(handle), MMSYSERR_NOERROR);
    va::Advance(handle, 64);
    EXPECT_EQ(header.dwFlags, WHDR_PREPARED | WHDR_DONE);
    ASSERT_EQ(waveInUnprepareHeader(handle, &header, sizeof header), MMSYSERR_NOERROR);
    EXPECT_EQ(header.dwFlags, WHDR_DONE);
    EXPECT_EQ(waveInAddBuffer(handle, &header, sizeof header), WAVERR_UNPREPARED);
    EXPECT_EQ(waveInClose(handle), MMSYSERR_NOERROR);
}

TEST_F(WaveInTest, CallbackRequeuesItsBuffers) {
    Recorder recorder;
    std::string recorded;
    std::atomic<bool> requeue{true};
    recorder.react = [&](HANDLE device, UINT message, WAVEHDR* header) {
        if (message != WIM_DATA || !requeue) {
            return;
        }
        const auto in = static_cast<HWAVEIN>(device);
        recorded += Recorded(*header);
        // Everything a callback may do with its own device's buffers.
        EXPECT_EQ(waveInUnprepareHeader(in, header, sizeof *header), MMSYSERR_NOERROR);
        EXPECT_EQ(waveInPrepareHeader(in, header, sizeof *header), MMSYSERR_NOERROR);
        EXPECT_EQ(waveInAddBuffer(in, header, sizeof *header), MMSYSERR_NOERROR);
    };
    const HWAVEIN handle = OpenIn(recorder);
    Buffers buffers(2, 1024);
    AddAll(handle, buffers);
    ASSERT_EQ(waveInStart(handle), MMSYSERR_NOERROR);
    for (int i = 0; i < 12; ++i) {
        va::Advance(handle, 512);
    }
    EXPECT_EQ(recorded, microphone_.substr(0, 6 * 1024));
    requeue = false;
    ASSERT_EQ(waveInReset(handle), MMSYSERR_NOERROR);
    va::WaitDelivered(handle);
    EXPECT_EQ(waveInClose(handle), MMSYSERR_NOERROR);
}

// A handle that is not an open input device: every call says so, and nothing crashes.
TEST_F(WaveInTest, EveryCallRefusesHandlesThatAreNotOpenInputs) {
    Recorder recorder;
    const HWAVEIN closed = OpenIn(recorder);
    ASSERT_EQ(waveInClose(closed), MMSYSERR_NOERROR);
    const HWAVEOUT output = OpenOut(recorder);
    const HWAVEIN wrongDirection = reinterpret_cast<HWAVEIN>(output);
    const HWAVEIN forged = reinterpret_cast<HWAVEIN>(std::uintptr_t{0x7331});
    Buffers buffers(1, 16);
    WAVEHDR& header = buffers.headers[0];
    for (const HWAVEIN handle : {HWAVEIN{}, closed, wrongDirection, forged}) {
        EXPECT_EQ(waveInPrepareHeader(handle, &header, sizeof header), MMSYSERR_INVALHANDLE);
        EXPECT_EQ(waveInUnprepareHeader(handle, &header, sizeof header), MMSYSERR_INVALHANDLE);
        EXPECT_EQ(waveInAddBuffer(handle, &header, sizeof header), MMSYSERR_INVALHANDLE);
        EXPECT_EQ(waveInStart(handle), MMSYSERR_INVALHANDLE);
        EXPECT_EQ(waveInStop(handle), MMSYSERR_INVALHANDLE);
        EXPECT_EQ(waveInReset(handle), MMSYSERR_INVALHANDLE);
        EXPECT_EQ(waveInClose(handle), MMSYSERR_INVALHANDLE);
    }
    EXPECT_EQ(header.dwFlags, 0u);
    EXPECT_EQ(waveOutClose(output), MMSYSERR_NOERROR);
}

// The microphone as a list of files: each input opened takes the next file in turn.
class FileTurnTest : public WaveInTest {
  protected:
    static constexpr std::size_t kFileBytes = 4096;
    static constexpr std::size_t kTake = 1000;

    void SetUp() override {
        WaveInTest::SetUp();
        unsigned seed = 7;
        for (const char* name : {"a.raw", "b.raw", "c.raw"}) {
            files_[name] = Pattern(kFileBytes, seed++);
            WriteFile(name, files_[name]);
        }
    }

    // What an opened input captures first: the start of the file whose turn it was. Closes it.
    std::string Take(HWAVEIN handle) {
        Buffers buffers(1, kTake);
        AddAll(handle, buffers);
        EXPECT_EQ(waveInStart(handle), MMSYSERR_NOERROR);
        EXPECT_EQ(va::Advance(handle, kTake), kTake);
        EXPECT_EQ(waveInClose(handle), MMSYSERR_NOERROR);
        return Recorded(buffers.headers[0]);
    }
    // Opens an input and takes what it captures first.
    std::string OpenAndTake() {
        Recorder recorder;
        const HWAVEIN handle = OpenIn(recorder);
        return handle == nullptr ? std::string{} : Take(handle);
    }
    std::string Start(const char* name) { return files_.at(name).substr(0, kTake); }

    std::map<std::string, std::string> files_;
};

TEST_F(FileTurnTest, EachOpenTakesTheNextFileAndWrapsAround) {
    for (const char* source : {"file", "loop"}) {
        SCOPED_TRACE(source);
        ASSERT_TRUE(
            va::Install((std::string("in=") + source + ":a.raw;b.raw,pace=manual").c_str()));
        EXPECT_EQ(OpenAndTake(), Start("a.raw"));
        EXPECT_EQ(OpenAndTake(), Start("b.raw"));
        EXPECT_EQ(OpenAndTake(), Start("a.raw"));

        // One file: every open has it, from its beginning.
        ASSERT_TRUE(va::Install((std::string("in=") + source + ":c.raw,pace=manual").c_str()));
        EXPECT_EQ(OpenAndTake(), Start("c.raw"));
        EXPECT_EQ(OpenAndTake(), Start("c.raw"));
    }
}

TEST_F(FileTurnTest, AFileOnceListEndsInSilenceAndALoopListRepeatsItsOwnFile) {
    const WAVEFORMATEX format = Pcm();
    for (const bool loop : {false, true}) {
        SCOPED_TRACE(loop ? "loop" : "file");
        ASSERT_TRUE(va::Install(loop ? "in=loop:a.raw;b.raw,pace=manual"
                                     : "in=file:a.raw;b.raw,pace=manual"));
        for (const char* name : {"a.raw", "b.raw"}) {
            Recorder recorder;
            const HWAVEIN handle = OpenIn(recorder, format);
            ASSERT_NE(handle, nullptr);
            Buffers buffers(1, kFileBytes + kTake);
            AddAll(handle, buffers);
            ASSERT_EQ(waveInStart(handle), MMSYSERR_NOERROR);
            va::Advance(handle, kFileBytes + kTake);
            // Past its end, a device goes on with its own file (or silence), never the next.
            const std::string after = loop ? Start(name) : std::string(kTake, '\x80');
            EXPECT_EQ(Recorded(buffers.headers[0]), files_.at(name) + after);
            EXPECT_EQ(waveInClose(handle), MMSYSERR_NOERROR);
        }
    }
}

TEST_F(FileTurnTest, AFailedOpenLeavesTheTurnToTheSameFile) {
    ASSERT_TRUE(va::Install("in=file:a.raw;missing.raw,pace=manual"));
    EXPECT_EQ(OpenAndTake(), Start("a.raw"));

    Recorder recorder;
    HWAVEIN handle = nullptr;
    const WAVEFORMATEX format = Pcm();
    EXPECT_EQ(waveInOpen(&handle, WAVE_MAPPER, &format, recorder.callback(), recorder.instance(),
                         CALLBACK_FUNCTION),
              MMSYSERR_ERROR);
    EXPECT_EQ(handle, nullptr);
    EXPECT_TRUE(recorder.Events().empty());
    // A format query opens nothing, so it takes no turn either.
    EXPECT_EQ(waveInOpen(nullptr, WAVE_MAPPER, &format, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);

    files_["missing.raw"] = Pattern(kFileBytes, 99);
    WriteFile("missing.raw", files_["missing.raw"]);
    EXPECT_EQ(OpenAndTake(), Start("missing.raw"));
    EXPECT_EQ(OpenAndTake(), Start("a.raw"));
}

TEST_F(FileTurnTest, InstallAndResetStartAgainAtTheFirstFile) {
    ASSERT_TRUE(va::Install("in=file:a.raw;b.raw,pace=manual"));
    EXPECT_EQ(OpenAndTake(), Start("a.raw"));
    ASSERT_TRUE(va::Install("in=file:a.raw;b.raw,pace=manual"));
    EXPECT_EQ(OpenAndTake(), Start("a.raw"));
    EXPECT_EQ(OpenAndTake(), Start("b.raw"));

    // The same list from the environment, after a reset.
    ASSERT_EQ(setenv("KELVO_VIRTUAL_AUDIO", "in=file:a.raw;b.raw,pace=manual", 1), 0);
    va::Reset();
    EXPECT_EQ(OpenAndTake(), Start("a.raw"));
    va::Reset();
    EXPECT_EQ(OpenAndTake(), Start("a.raw"));
    EXPECT_EQ(OpenAndTake(), Start("b.raw"));
    unsetenv("KELVO_VIRTUAL_AUDIO");
    va::Reset();
}

// Inputs opened at the same time on several threads each take a turn of their own: with three
// files and six opens, every file is taken exactly twice.
TEST_F(FileTurnTest, OpensOnSeveralThreadsEachTakeTheirOwnTurn) {
    ASSERT_TRUE(va::Install("in=file:a.raw;b.raw;c.raw,pace=manual,inputs=6"));
    constexpr std::size_t kOpens = 6;
    std::vector<Recorder> recorders(kOpens);
    std::vector<HWAVEIN> handles(kOpens);
    std::latch ready(kOpens);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < kOpens; ++i) {
        threads.emplace_back([&, i] {
            const WAVEFORMATEX format = Pcm();
            ready.arrive_and_wait();
            EXPECT_EQ(
                waveInOpen(&handles[i], static_cast<UINT>(i), &format, recorders[i].callback(),
                           recorders[i].instance(), CALLBACK_FUNCTION),
                MMSYSERR_NOERROR);
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    std::map<std::string, int> taken;
    for (const HWAVEIN handle : handles) {
        ASSERT_NE(handle, nullptr);
        const std::string captured = Take(handle);
        for (const auto& [name, bytes] : files_) {
            if (captured == bytes.substr(0, kTake)) {
                ++taken[name];
            }
        }
    }
    EXPECT_EQ(taken, (std::map<std::string, int>{{"a.raw", 2}, {"b.raw", 2}, {"c.raw", 2}}));
}

}  // namespace
}  // namespace wave_test
