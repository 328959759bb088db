// waveInOpen / waveOutOpen: argument checks, format queries, device counts and the open and
// close notifications.
#include <cstdlib>

#include "wave_test_support.h"

namespace wave_test {
namespace {

class OpenTest : public VirtualDeviceTest {};

struct OpenCase {
    const char* name;
    bool nullHandle;
    UINT device;
    void (*edit)(WAVEFORMATEX&);
    bool nullFormat;
    DWORD flags;
    MMRESULT expected;
};

void Keep(WAVEFORMATEX&) {}

const OpenCase kOpenCases[] = {
    {"valid", false, WAVE_MAPPER, Keep, false, CALLBACK_FUNCTION, MMSYSERR_NOERROR},
    {"device 0", false, 0, Keep, false, CALLBACK_FUNCTION, MMSYSERR_NOERROR},
    {"no callback", false, 0, Keep, false, CALLBACK_NULL, MMSYSERR_NOERROR},
    {"16-bit stereo", false, 0, [](WAVEFORMATEX& f) { f = Pcm(44100, 16, 2); }, false,
     CALLBACK_FUNCTION, MMSYSERR_NOERROR},
    {"null handle", true, 0, Keep, false, CALLBACK_FUNCTION, MMSYSERR_INVALPARAM},
    {"no such device", false, 1, Keep, false, CALLBACK_FUNCTION, MMSYSERR_BADDEVICEID},
    {"unknown flag", false, 0, Keep, false, CALLBACK_FUNCTION | 0x8u, MMSYSERR_INVALFLAG},
    {"callback window", false, 0, Keep, false, 0x00010000u, MMSYSERR_INVALFLAG},
    {"callback event", false, 0, Keep, false, 0x00050000u, MMSYSERR_INVALFLAG},
    {"null format", false, 0, Keep, true, CALLBACK_FUNCTION, MMSYSERR_INVALPARAM},
    {"not PCM", false, 0, [](WAVEFORMATEX& f) { f.wFormatTag = 3; }, false, CALLBACK_FUNCTION,
     WAVERR_BADFORMAT},
    {"no channels", false, 0, [](WAVEFORMATEX& f) { f.nChannels = 0; }, false, CALLBACK_FUNCTION,
     WAVERR_BADFORMAT},
    {"zero block align", false, 0, [](WAVEFORMATEX& f) { f.nBlockAlign = 0; }, false,
     CALLBACK_FUNCTION, WAVERR_BADFORMAT},
    {"block align mismatch", false, 0, [](WAVEFORMATEX& f) { f.nBlockAlign = 2; }, false,
     CALLBACK_FUNCTION, WAVERR_BADFORMAT},
    {"12 bits", false, 0,
     [](WAVEFORMATEX& f) {
         f.wBitsPerSample = 12;
         f.nBlockAlign = 2;
     },
     false, CALLBACK_FUNCTION, WAVERR_BADFORMAT},
    {"zero rate", false, 0, [](WAVEFORMATEX& f) { f.nSamplesPerSec = 0; }, false, CALLBACK_FUNCTION,
     WAVERR_BADFORMAT},
    // Well formed, but beyond what the virtual device does: refused by the backend.
    {"rate too low for the device", false, 0, [](WAVEFORMATEX& f) { f.nSamplesPerSec = 4000; },
     false, CALLBACK_FUNCTION, WAVERR_BADFORMAT},
    {"three channels", false, 0, [](WAVEFORMATEX& f) { f = Pcm(11025, 8, 3); }, false,
     CALLBACK_FUNCTION, WAVERR_BADFORMAT},
};

TEST_F(OpenTest, OpenChecksEveryArgumentInBothDirections) {
    for (const OpenCase& c : kOpenCases) {
        SCOPED_TRACE(c.name);
        WAVEFORMATEX format = Pcm();
        c.edit(format);
        const LPCWAVEFORMATEX formatArg = c.nullFormat ? nullptr : &format;
        for (const bool query : {false, true}) {
            SCOPED_TRACE(query ? "query" : "open");
            const DWORD flags = c.flags | (query ? WAVE_FORMAT_QUERY : 0u);
            // A query needs no handle, so a null one is no error there.
            const MMRESULT expected = query && c.nullHandle ? MMSYSERR_NOERROR : c.expected;
            Recorder in;
            HWAVEIN inHandle = nullptr;
            EXPECT_EQ(waveInOpen(c.nullHandle ? nullptr : &inHandle, c.device, formatArg,
                                 in.callback(), in.instance(), flags),
                      expected);
            Recorder out;
            HWAVEOUT outHandle = nullptr;
            EXPECT_EQ(waveOutOpen(c.nullHandle ? nullptr : &outHandle, c.device, formatArg,
                                  out.callback(), out.instance(), flags),
                      expected);
            const bool opened = !query && expected == MMSYSERR_NOERROR;
            EXPECT_EQ(inHandle != nullptr, opened);
            EXPECT_EQ(outHandle != nullptr, opened);
            const bool notified = opened && (c.flags & CALLBACK_TYPEMASK) == CALLBACK_FUNCTION;
            EXPECT_EQ(in.Messages(), notified ? std::vector<UINT>{WIM_OPEN} : std::vector<UINT>{});
            EXPECT_EQ(out.Messages(), notified ? std::vector<UINT>{WOM_OPEN} : std::vector<UINT>{});
            if (opened) {
                EXPECT_EQ(waveInClose(inHandle), MMSYSERR_NOERROR);
                EXPECT_EQ(waveOutClose(outHandle), MMSYSERR_NOERROR);
            }
        }
    }
}

TEST_F(OpenTest, CallbackFunctionWithoutFunctionIsRefused) {
    HWAVEIN handle = nullptr;
    const WAVEFORMATEX format = Pcm();
    EXPECT_EQ(waveInOpen(&handle, 0, &format, 0, 0, CALLBACK_FUNCTION), MMSYSERR_INVALPARAM);
    EXPECT_EQ(handle, nullptr);
}

TEST_F(OpenTest, DeviceCountsFollowTheConfiguration) {
    EXPECT_EQ(waveInGetNumDevs(), 1u);
    EXPECT_EQ(waveOutGetNumDevs(), 1u);
    va::SetDeviceCounts(2, 0);
    EXPECT_EQ(waveInGetNumDevs(), 2u);
    EXPECT_EQ(waveOutGetNumDevs(), 0u);
    Recorder recorder;
    HWAVEIN in = nullptr;
    const WAVEFORMATEX format = Pcm();
    EXPECT_EQ(
        waveInOpen(&in, 1, &format, recorder.callback(), recorder.instance(), CALLBACK_FUNCTION),
        MMSYSERR_NOERROR);
    HWAVEOUT out = nullptr;
    EXPECT_EQ(waveOutOpen(&out, WAVE_MAPPER, &format, recorder.callback(), recorder.instance(),
                          CALLBACK_FUNCTION),
              MMSYSERR_BADDEVICEID);
    EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
}

TEST_F(OpenTest, EnvironmentSelectsTheVirtualDevice) {
    va::Reset();  // back to what the environment selects
    ASSERT_EQ(setenv("KELVO_VIRTUAL_AUDIO", "inputs=3,outputs=2,pace=manual,in=tone:440", 1), 0);
    EXPECT_EQ(waveInGetNumDevs(), 3u);
    EXPECT_EQ(waveOutGetNumDevs(), 2u);
    va::Reset();
    ASSERT_EQ(setenv("KELVO_VIRTUAL_AUDIO", "in=microphone", 1), 0);
    EXPECT_EQ(waveInGetNumDevs(), 0u);  // not understood: no devices rather than a guess
    va::Reset();
    unsetenv("KELVO_VIRTUAL_AUDIO");
}

TEST_F(OpenTest, ConfigurationSyntax) {
    for (const char* good :
         {"", "in=silence", "in=tone:440,out=discard,pace=max",
          "in=loop:x.raw,out=file:y.raw,pace=2.5,inputs=0,outputs=4", "pace=realtime,,"}) {
        EXPECT_TRUE(va::Install(good)) << good;
    }
    for (const char* bad : {"in", "in=file:", "in=tone:-3", "pace=0", "pace=fast", "inputs=x",
                            "volume=3", "out=speaker"}) {
        EXPECT_FALSE(va::Install(bad)) << bad;
    }
}

// A microphone file may be a list of files separated by ';', for file: and loop: alike; every
// entry must name a file.
TEST_F(OpenTest, InputFileListSyntax) {
    for (const char* good :
         {"in=file:a.raw;b.raw", "in=loop:a.raw;b.raw;c.raw,pace=manual", "in=file:a.raw;a.raw"}) {
        EXPECT_TRUE(va::Install(good)) << good;
    }
    EXPECT_TRUE(va::Install("out=file:x;y"));  // the speaker's file stays one path
    for (const char* bad : {"in=file:a.raw;;b.raw", "in=file:;", "in=file:a.raw;", "in=file:;a.raw",
                            "in=loop:;", "in=loop:a.raw;", "in=loop:a;;b", "in=file:;;"}) {
        EXPECT_FALSE(va::Install(bad)) << bad;
    }
}

TEST_F(OpenTest, OpenAndCloseNotifyOnTheCallersThreadInsideTheCall) {
    Recorder recorder;
    HWAVEIN handle = nullptr;
    recorder.react = [&](HANDLE device, UINT message, WAVEHDR*) {
        if (message == WIM_OPEN) {
            // The handle is already valid inside the open notification.
            EXPECT_EQ(device, handle);
        }
    };
    const WAVEFORMATEX format = Pcm();
    ASSERT_EQ(waveInOpen(&handle, 0, &format, recorder.callback(), recorder.instance(),
                         CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
    EXPECT_EQ(recorder.Messages(), std::vector<UINT>{WIM_OPEN});
    ASSERT_EQ(waveInClose(handle), MMSYSERR_NOERROR);
    const auto events = recorder.Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].message, WIM_CLOSE);
    for (const Event& event : events) {
        EXPECT_EQ(event.thread, std::this_thread::get_id());
    }
    EXPECT_EQ(waveInClose(handle), MMSYSERR_INVALHANDLE);
}

}  // namespace
}  // namespace wave_test
