// Every way a playback fails: the code in TL_Error, status 4 after every failed start or stop,
// and nothing left open (checked by the fixture after each test).
#include <sys/stat.h>

#include <filesystem>

#include "audio_test_support.h"

namespace audio_test {
namespace {

using kelvo::audio::kBlockBytes;

const auto kUntouched = reinterpret_cast<HWAVEOUT>(0x1234);

class PlaybackFailure : public AudioTest {
  protected:
    void SetUp() override {
        AudioTest::SetUp();
        WriteFile("1.raw", Pattern(10 * kBlockBytes));
    }

    static HWAVEOUT StartInto(const char16_t* name) {
        HWAVEOUT handle = kUntouched;
        StartPlay(name, DemoFormat(), &handle);
        return handle;
    }
};

TEST_F(PlaybackFailure, NoOutputDeviceClosesTheFileAgain) {
    va::SetDeviceCounts(1, 0);
    EXPECT_EQ(StartInto(u"1.raw"), kUntouched);
    EXPECT_EQ(ErrorWord(), static_cast<DWORD>(KELVO_ERR_NO_DEVICE));
    EXPECT_EQ(PlayStatus(), 4u);

    EXPECT_EQ(StartInto(u"missing.raw"), kUntouched);
    EXPECT_EQ(ErrorWord(), static_cast<DWORD>(KELVO_ERR_OPEN_FILE)) << "the file's code wins";
}

TEST_F(PlaybackFailure, FilesThatDoNotOpenOpenNoDevice) {
    WriteFile("readonly.raw", Pattern(100));
    ASSERT_EQ(chmod("readonly.raw", 0444), 0);
    std::filesystem::create_directory("directory.raw");
    for (const char16_t* name : {u"missing.raw", u"readonly.raw", u"directory.raw"}) {
        InitTonlet();
        EXPECT_EQ(StartInto(name), kUntouched);
        EXPECT_EQ(ErrorWord(), static_cast<DWORD>(KELVO_ERR_OPEN_FILE));
        EXPECT_EQ(PlayStatus(), 4u);
    }
}

TEST_F(PlaybackFailure, NullOutHandleIsRefusedBeforeAnythingOpens) {
    StartPlay(u"1.raw", DemoFormat(), nullptr);
    EXPECT_EQ(ErrorWord(), static_cast<DWORD>(MMSYSERR_INVALPARAM));
    EXPECT_EQ(PlayStatus(), 0u);
}

struct RefusedCall {
    const char* call;  // nullptr: the block allocation
    unsigned nth;
    MMRESULT code;
    bool handleWritten;
};

void PrintTo(const RefusedCall& row, std::ostream* out) {
    *out << (row.call ? row.call : "allocation") << " #" << row.nth;
}

class RefusedPlaybackStart : public PlaybackFailure,
                             public testing::WithParamInterface<RefusedCall> {};

TEST_P(RefusedPlaybackStart, ReleasesTheDeviceAndClosesTheFile) {
    const RefusedCall& row = GetParam();
    if (row.call == nullptr) {
        kelvo::audio::testing::FailBlockAllocation(row.nth);
    } else {
        ASSERT_TRUE(va::FailCall(row.call, row.nth, row.code));
    }
    const HWAVEOUT handle = StartInto(u"1.raw");
    EXPECT_EQ(ErrorWord(), row.code);
    EXPECT_EQ(handle != kUntouched, row.handleWritten);
    EXPECT_EQ(PlayStatus(), 4u);
    StopPlay(handle);
    EXPECT_EQ(ErrorWord(), row.code);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, RefusedPlaybackStart,
    testing::Values(RefusedCall{"waveOutOpen", 1, WAVERR_BADFORMAT, false},
                    RefusedCall{"waveOutOpen", 2, MMSYSERR_ALLOCATED, false},
                    RefusedCall{"waveOutReset", 1, MMSYSERR_NOTSUPPORTED, false},
                    RefusedCall{nullptr, 1, KELVO_ERR_MEMORY, true},
                    RefusedCall{nullptr, 2, KELVO_ERR_MEMORY, true},
                    RefusedCall{"waveOutPrepareHeader", 1, MMSYSERR_NOMEM, true},
                    RefusedCall{"waveOutWrite", 2, MMSYSERR_INVALPARAM, true}),
    [](const testing::TestParamInfo<RefusedCall>& row) {
        return std::string(row.param.call ? row.param.call : "Allocation") +
               std::to_string(row.param.nth);
    });

// Queueing the next block fails inside the callback: the player is stopped there without
// waiting, and the block still with the device comes back through the forced close.
TEST_F(PlaybackFailure, NextBlockFailsDuringPlayback) {
    struct Case {
        const char* call;
        MMRESULT code;
    };
    for (const Case& failure :
         {Case{nullptr, KELVO_ERR_MEMORY}, Case{"waveOutPrepareHeader", MMSYSERR_NOMEM},
          Case{"waveOutWrite", MMSYSERR_HANDLEBUSY}}) {
        InitTonlet();
        const HWAVEOUT handle = StartInto(u"1.raw");
        ASSERT_EQ(ErrorWord(), 0u);
        if (failure.call == nullptr) {
            kelvo::audio::testing::FailBlockAllocation(1);
        } else {
            va::FailCall(failure.call, 1, failure.code);
        }
        va::Advance(handle, kBlockBytes);
        EXPECT_EQ(ErrorWord(), failure.code);
        EXPECT_EQ(PlayStatus(), 4u);
        EXPECT_EQ(va::OpenDeviceCount(), 0u);
        StopPlay(handle);
        EXPECT_EQ(ErrorWord(), failure.code);
    }
}

// A file whose reads fail: the process's own memory file cannot be read at offset 0.
TEST_F(PlaybackFailure, ReadFailureGivesErrorOnReadFromFile) {
    std::filesystem::create_symlink("/proc/self/mem", "mem.raw");
    EXPECT_NE(StartInto(u"mem.raw"), kUntouched) << "the failure came after the reset";
    EXPECT_EQ(ErrorWord(), static_cast<DWORD>(KELVO_ERR_READ_FILE));
    EXPECT_EQ(PlayStatus(), 4u);
}

// A refused unprepare is recorded, and the caller's stop then releases the device without
// waiting for the blocks.
TEST_F(PlaybackFailure, UnprepareRefused) {
    const HWAVEOUT handle = StartInto(u"1.raw");
    va::FailCall("waveOutUnprepareHeader", 1, MMSYSERR_HANDLEBUSY);
    va::Advance(handle, kBlockBytes);
    EXPECT_EQ(ErrorWord(), static_cast<DWORD>(MMSYSERR_HANDLEBUSY));
    EXPECT_EQ(PlayStatus(), 5u) << "playback goes on";
    StopPlay(handle);
    EXPECT_EQ(ErrorWord(), static_cast<DWORD>(MMSYSERR_HANDLEBUSY));
    EXPECT_EQ(PlayStatus(), 4u);
}

class RefusedPlaybackStop : public PlaybackFailure,
                            public testing::WithParamInterface<RefusedCall> {};

TEST_P(RefusedPlaybackStop, ReleasesTheDeviceClosesTheFileAndSetsFour) {
    const RefusedCall& row = GetParam();
    const HWAVEOUT handle = StartInto(u"1.raw");
    ASSERT_TRUE(va::FailCall(row.call, row.nth, row.code));
    StopPlayAfter(handle);
    EXPECT_EQ(ErrorWord(), row.code);
    EXPECT_EQ(PlayStatus(), 4u);
}

INSTANTIATE_TEST_SUITE_P(Calls, RefusedPlaybackStop,
                         testing::Values(RefusedCall{"waveOutReset", 1, MMSYSERR_NOTENABLED, true},
                                         RefusedCall{"waveOutClose", 1, WAVERR_STILLPLAYING, true}),
                         [](const testing::TestParamInfo<RefusedCall>& row) {
                             return std::string(row.param.call);
                         });

// Both sides' refused unprepares: the first code stands, neither side's later results erase
// it.
TEST_F(PlaybackFailure, FirstUnprepareFailureStandsForBothSides) {
    const HWAVEIN recording = Record(u"2.raw");
    const HWAVEOUT playback = StartInto(u"1.raw");
    va::FailCall("waveInUnprepareHeader", 1, MMSYSERR_HANDLEBUSY);
    va::FailCall("waveOutUnprepareHeader", 1, MMSYSERR_NOMEM);
    va::Advance(recording, kBlockBytes);
    va::Advance(playback, 3 * kBlockBytes);
    EXPECT_EQ(ErrorWord(), static_cast<DWORD>(MMSYSERR_HANDLEBUSY));
    StopPlay(playback);
    StopRecord(recording);
    EXPECT_EQ(ErrorWord(), static_cast<DWORD>(MMSYSERR_HANDLEBUSY));
}

}  // namespace
}  // namespace audio_test
