// Every way a recording fails: the code in TL_Error, the status left, and what is left of the
// file. The fixture checks after each test that no device and no file descriptor is left
// open; the sanitizer runs show that no buffer leaks.
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>

#include "audio_test_support.h"

namespace audio_test {
namespace {

using kelvo::audio::kBlockBytes;

const auto kUntouched = reinterpret_cast<HWAVEIN>(0x1234);

class RecordingFailure : public AudioTest {
  protected:
    // StartRecord into `name` with the out handle preset, so a test can see whether it was
    // written.
    HWAVEIN StartInto(const char16_t* name, int header = 0) {
        HWAVEIN handle = kUntouched;
        StartRecord(name, DemoFormat(), &handle, header);
        return handle;
    }
};

// While it lives, every write that would grow a file fails (EFBIG, as on a full disk): the
// recording file must be a regular file, so a device such as /dev/full cannot stand in.
class NoFileGrowth {
  public:
    NoFileGrowth() : handler_(signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit none = previous_;
        none.rlim_cur = 0;
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &none), 0);
    }
    ~NoFileGrowth() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        signal(SIGXFSZ, handler_);
    }
    NoFileGrowth(const NoFileGrowth&) = delete;
    NoFileGrowth& operator=(const NoFileGrowth&) = delete;

  private:
    sighandler_t handler_;
    rlimit previous_{};
};

TEST_F(RecordingFailure, NoInputDeviceOpensNothing) {
    va::SetDeviceCounts(0, 1);
    EXPECT_EQ(StartInto(u"1.raw"), kUntouched);
    EXPECT_EQ(ErrorWord(), static_cast<DWORD>(KELVO_ERR_NO_DEVICE));
    EXPECT_EQ(RecordStatus(), 0u);
    EXPECT_FALSE(std::filesystem::exists("1.raw"));
}

TEST_F(RecordingFailure, NullOutHandleIsRefusedBeforeAnythingOpens) {
    StartRecord(u"1.raw", DemoFormat(), nullptr, 0);
    EXPECT_EQ(ErrorWord(), static_cast<DWORD>(MMSYSERR_INVALPARAM));
    EXPECT_FALSE(std::filesystem::exists("1.raw"));
}

struct RefusedStartCall {
    const char* call;
    unsigned nth;
    MMRESULT code;
    DWORD status;        // 0: before the open notification, 2: after it
    bool handleWritten;  // the failure came after the device was opened and reset
};

void PrintTo(const RefusedStartCall& row, std::ostream* out) {
    *out << row.call << " #" << row.nth;
}

class RefusedStart : public RecordingFailure,
                     public testing::WithParamInterface<RefusedStartCall> {};

TEST_P(RefusedStart, ReleasesTheDeviceAndClosesTheFile) {
    const RefusedStartCall& row = GetParam();
    ASSERT_TRUE(va::FailCall(row.call, row.nth, row.code));
    const HWAVEIN handle = StartInto(u"1.wav", 1);
    EXPECT_EQ(ErrorWord(), row.code);
    EXPECT_EQ(handle != kUntouched, row.handleWritten);
    EXPECT_EQ(RecordStatus(), row.status);
    EXPECT_EQ(std::filesystem::exists("1.wav"), row.status != 0);
    if (row.status != 0) {
        const std::string file = ReadFile("1.wav");
        ASSERT_EQ(file.size(), 44u) << "the header as written, unpatched";
        EXPECT_EQ(U32At(file, 4), 0u);
    }
    StopRecord(handle);  // the caller's stop finds nothing running
    EXPECT_EQ(ErrorWord(), row.code);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, RefusedStart,
    testing::Values(RefusedStartCall{"waveInOpen", 1, WAVERR_BADFORMAT, 0, false},
                    RefusedStartCall{"waveInOpen", 2, MMSYSERR_ALLOCATED, 0, false},
                    RefusedStartCall{"waveInReset", 1, MMSYSERR_NOTSUPPORTED, 2, false},
                    RefusedStartCall{"waveInPrepareHeader", 1, MMSYSERR_NOMEM, 2, true},
                    RefusedStartCall{"waveInAddBuffer", 2, MMSYSERR_INVALPARAM, 2, true},
                    RefusedStartCall{"waveInStart", 1, MMSYSERR_NODRIVER, 2, true}),
    [](const testing::TestParamInfo<RefusedStartCall>& row) {
        return std::string(row.param.call) + std::to_string(row.param.nth);
    });

TEST_F(RecordingFailure, BufferAllocationFailsAtTheStart) {
    for (const unsigned nth : {1u, 2u}) {
        InitTonlet();
        kelvo::audio::testing::FailBlockAllocation(nth);
        const HWAVEIN handle = StartInto(u"1.raw");
        EXPECT_EQ(ErrorWord(), static_cast<DWORD>(KELVO_ERR_MEMORY)) << nth;
        EXPECT_EQ(RecordStatus(), 2u) << "failed before the capture started";
        EXPECT_EQ(va::OpenDeviceCount(), 0u);
        EXPECT_EQ(ReadFile("1.raw"), "");
        StopRecord(handle);
    }
}

// A replacement that cannot be queued stops the recorder inside the callback: the filled
// buffer is not written (the file is closed already), the code stands, and the buffer still
// with the device comes back through the forced close and is freed.
TEST_F(RecordingFailure, ReplacementFailsDuringCapture) {
    struct Case {
        const char* call;  // nullptr: the allocation
        MMRESULT code;
    };
    for (const Case& failure :
         {Case{nullptr, KELVO_ERR_MEMORY}, Case{"waveInPrepareHeader", MMSYSERR_NOMEM},
          Case{"waveInAddBuffer", MMSYSERR_HANDLEBUSY}}) {
        InitTonlet();
        const HWAVEIN handle = StartInto(u"1.raw");
        va::Advance(handle, kBlockBytes);  // one buffer back and replaced
        if (failure.call == nullptr) {
            kelvo::audio::testing::FailBlockAllocation(1);
        } else {
            va::FailCall(failure.call, 1, failure.code);
        }
        va::Advance(handle, kBlockBytes);
        EXPECT_EQ(ErrorWord(), failure.code);
        EXPECT_EQ(va::OpenDeviceCount(), 0u);
        EXPECT_TRUE(ReadFile("1.raw") == microphone_.substr(0, kBlockBytes));
        StopRecord(handle);
        EXPECT_EQ(ErrorWord(), failure.code);
        EXPECT_EQ(RecordStatus(), 5u);
    }
}

TEST_F(RecordingFailure, FileThatCannotBeCreated) {
    std::filesystem::create_directory("1.raw");
    EXPECT_EQ(StartInto(u"1.raw"), kUntouched);
    EXPECT_EQ(ErrorWord(), static_cast<DWORD>(KELVO_ERR_CREATE_FILE));
    EXPECT_EQ(RecordStatus(), 1u);
    EXPECT_TRUE(std::filesystem::is_directory("1.raw"));
}

TEST_F(RecordingFailure, HeaderThatCannotBeWritten) {
    const NoFileGrowth full;
    EXPECT_EQ(StartInto(u"1.wav", 1), kUntouched);
    EXPECT_EQ(ErrorWord(), static_cast<DWORD>(KELVO_ERR_WRITE_FILE));
    EXPECT_EQ(RecordStatus(), 1u);
}

TEST_F(RecordingFailure, AppendFailsWhileCaptureRuns) {
    const NoFileGrowth full;
    const HWAVEIN handle = StartInto(u"1.raw");
    ASSERT_EQ(ErrorWord(), 0u);
    va::Advance(handle, kBlockBytes);
    EXPECT_EQ(ErrorWord(), static_cast<DWORD>(KELVO_ERR_WRITE_FILE));
    EXPECT_EQ(va::OpenDeviceCount(), 0u);
    StopRecord(handle);
    EXPECT_EQ(ErrorWord(), static_cast<DWORD>(KELVO_ERR_WRITE_FILE));
    EXPECT_EQ(RecordStatus(), 5u);
}

// During the stop's wait the stop goes on in order and the close notification finishes the
// file, but the failed append is still reported: the recording lacks data.
TEST_F(RecordingFailure, AppendFailsDuringTheStop) {
    const NoFileGrowth full;
    StopRecordAfter(StartInto(u"1.raw"));
    EXPECT_EQ(ErrorWord(), static_cast<DWORD>(KELVO_ERR_WRITE_FILE));
    EXPECT_EQ(RecordStatus(), 4u);
}

// A refused unprepare is recorded; from then on buffers are dropped unwritten and not
// replaced, and the caller's stop releases the device without waiting.
TEST_F(RecordingFailure, UnprepareRefused) {
    const HWAVEIN handle = StartInto(u"1.wav", 1);
    va::FailCall("waveInUnprepareHeader", 1, MMSYSERR_HANDLEBUSY);
    va::Advance(handle, 4 * kBlockBytes);
    EXPECT_EQ(ErrorWord(), static_cast<DWORD>(MMSYSERR_HANDLEBUSY));
    StopRecord(handle);
    EXPECT_EQ(ErrorWord(), static_cast<DWORD>(MMSYSERR_HANDLEBUSY));
    EXPECT_EQ(RecordStatus(), 5u);
    const std::string file = ReadFile("1.wav");
    EXPECT_EQ(file.size(), 44 + kBlockBytes) << "only the buffer written before the refusal";
    EXPECT_EQ(U32At(file, 40), 0u) << "closed unpatched";
}

struct RefusedStopCall {
    const char* call;
    unsigned nth;
    MMRESULT code;
};

class RefusedStop : public RecordingFailure, public testing::WithParamInterface<RefusedStopCall> {};

// The device is released with CloseHandle (also after a refused close, so that it is not
// left open) and the file closed unpatched, with every sample written.
TEST_P(RefusedStop, ReleasesTheDeviceAndClosesTheFileUnpatched) {
    const RefusedStopCall& row = GetParam();
    const HWAVEIN handle = StartInto(u"1.wav", 1);
    ASSERT_TRUE(va::FailCall(row.call, row.nth, row.code));
    StopRecordAfter(handle);
    EXPECT_EQ(ErrorWord(), row.code);
    EXPECT_EQ(RecordStatus(), 5u);
    const std::string file = ReadFile("1.wav");
    ASSERT_EQ(file.size(), 44 + 2 * kBlockBytes);
    EXPECT_EQ(U32At(file, 40), 0u);
    EXPECT_TRUE(file.substr(44) == microphone_.substr(0, 2 * kBlockBytes));
}

INSTANTIATE_TEST_SUITE_P(Calls, RefusedStop,
                         testing::Values(RefusedStopCall{"waveInReset", 1, MMSYSERR_NOTENABLED},
                                         RefusedStopCall{"waveInStop", 1, MMSYSERR_ERROR},
                                         RefusedStopCall{"waveInClose", 1, WAVERR_STILLPLAYING}),
                         [](const testing::TestParamInfo<RefusedStopCall>& row) {
                             return std::string(row.param.call);
                         });

// The player shares TL_Error: its failure while a recording runs makes the recorder drop
// what comes back, and the recording's stop skips the drain.
TEST_F(RecordingFailure, PlayersFailureStopsTheRecordingWithoutDraining) {
    const HWAVEIN handle = StartInto(u"1.raw");
    va::Advance(handle, kBlockBytes);
    Play(u"missing.raw");
    EXPECT_EQ(ErrorWord(), static_cast<DWORD>(KELVO_ERR_OPEN_FILE));
    va::Advance(handle, 4 * kBlockBytes);
    StopRecord(handle);
    EXPECT_EQ(ErrorWord(), static_cast<DWORD>(KELVO_ERR_OPEN_FILE));
    EXPECT_TRUE(ReadFile("1.raw") == microphone_.substr(0, kBlockBytes));
}

}  // namespace
}  // namespace audio_test
