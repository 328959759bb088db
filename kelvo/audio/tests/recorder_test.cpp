// The recorder's orderly life: what a recording holds, the statuses it passes through, and the
// choices for a second start, a stop of the wrong handle and late notifications.
#include <chrono>
#include <filesystem>
#include <thread>

#include "audio_test_support.h"

namespace audio_test {
namespace {

using kelvo::audio::kBlockBytes;

using Recording = AudioTest;

TEST_F(Recording, StartThenStopHoldsTheTwoInitialBuffersOfTheMicrophone) {
    const HWAVEIN handle = Record(u"1.raw");
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(ErrorWord(), 0u);
    EXPECT_EQ(RecordStatus(), 5u);
    StopRecordAfter(handle);
    EXPECT_EQ(ErrorWord(), 0u);
    EXPECT_EQ(RecordStatus(), 4u);
    const std::string recorded = ReadFile("1.raw");
    ASSERT_EQ(recorded.size(), 2 * kBlockBytes);
    EXPECT_TRUE(recorded == microphone_.substr(0, recorded.size()));
}

TEST_F(Recording, HeaderRecordingHoldsTheHeaderAndPatchedSizes) {
    const HWAVEIN handle = Record(u"1.wav", 1);
    StopRecordAfter(handle);
    EXPECT_EQ(ErrorWord(), 0u);
    const std::string file = ReadFile("1.wav");
    ASSERT_EQ(file.size(), 44 + 2 * kBlockBytes);
    EXPECT_EQ(file.substr(0, 4), "RIFF");
    EXPECT_EQ(U32At(file, 4), 8228u);
    EXPECT_EQ(file.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(U32At(file, 16), 16u);
    EXPECT_EQ(U16At(file, 20), 1u);
    EXPECT_EQ(U16At(file, 22), 1u);
    EXPECT_EQ(U32At(file, 24), 11025u);
    EXPECT_EQ(U32At(file, 28), 11025u);
    EXPECT_EQ(U16At(file, 32), 1u);
    EXPECT_EQ(U16At(file, 34), 8u);
    EXPECT_EQ(file.substr(36, 4), "data");
    EXPECT_EQ(U32At(file, 40), 8192u);
    EXPECT_TRUE(file.substr(44) == microphone_.substr(0, 2 * kBlockBytes));
}

TEST_F(Recording, LongerRecordingIsTheMicrophoneInWholeBuffers) {
    const HWAVEIN handle = Record(u"1.raw");
    va::Advance(handle, 10 * kBlockBytes + 100);  // 100 bytes into an eleventh buffer
    StopRecordAfter(handle, 2 * kBlockBytes - 100);
    const std::string recorded = ReadFile("1.raw");
    ASSERT_EQ(recorded.size(), 12 * kBlockBytes);
    EXPECT_TRUE(recorded == microphone_.substr(0, recorded.size()));
}

TEST_F(Recording, EmptiesAnExistingFile) {
    WriteFile("1.raw", std::string(100000, 'x'));
    StopRecordAfter(Record(u"1.raw"));
    EXPECT_EQ(ReadFile("1.raw").size(), 2 * kBlockBytes);
}

// At a real pace the stop comes at any moment of a buffer; the recording still ends on a
// whole buffer and holds the microphone from its first byte, nothing lost or repeated.
TEST_F(Recording, PacedRecordingsAreWholeBuffersOfTheInput) {
    ASSERT_TRUE(va::Install("in=file:mic.raw,out=memory,pace=10"));
    for (int run = 0; run < 6; ++run) {
        const HWAVEIN handle = Record(u"1.raw");
        ASSERT_EQ(ErrorWord(), 0u);
        std::this_thread::sleep_for(std::chrono::milliseconds(10 * run + 5));
        StopRecord(handle);
        EXPECT_EQ(ErrorWord(), 0u);
        EXPECT_EQ(RecordStatus(), 4u);
        const std::string recorded = ReadFile("1.raw");
        ASSERT_GE(recorded.size(), 2 * kBlockBytes);
        EXPECT_EQ(recorded.size() % kBlockBytes, 0u);
        EXPECT_TRUE(recorded == microphone_.substr(0, recorded.size())) << "run " << run;
    }
}

TEST_F(Recording, SecondStartIsRefusedAndTheRunningRecordingGoesOn) {
    const HWAVEIN handle = Record(u"1.wav", 1);
    va::Advance(handle, kBlockBytes);
    HWAVEIN second = reinterpret_cast<HWAVEIN>(0x1234);
    StartRecord(u"2.raw", DemoFormat(), &second, 0);
    EXPECT_EQ(ErrorWord(), static_cast<DWORD>(MMSYSERR_ALLOCATED));
    EXPECT_EQ(second, reinterpret_cast<HWAVEIN>(0x1234));
    EXPECT_FALSE(std::filesystem::exists("2.raw"));
    EXPECT_EQ(RecordStatus(), 5u);

    va::Advance(handle, kBlockBytes);
    StopRecordAfter(handle);
    EXPECT_EQ(ErrorWord(), 0u);
    EXPECT_EQ(RecordStatus(), 4u);
    const std::string file = ReadFile("1.wav");
    ASSERT_EQ(file.size(), 44 + 4 * kBlockBytes);
    EXPECT_EQ(U32At(file, 40), 4 * kBlockBytes);
    EXPECT_TRUE(file.substr(44) == microphone_.substr(0, 4 * kBlockBytes));
}

TEST_F(Recording, StopsOfOtherHandlesLeaveTheRecordingAlone) {
    const HWAVEIN earlier = Record(u"0.raw");
    StopRecordAfter(earlier);
    const HWAVEIN handle = Record(u"1.raw");
    va::Advance(handle, kBlockBytes);
    StopRecord(nullptr);
    StopRecord(earlier);  // stopped before: stale
    StopPlay(nullptr);    // nothing playing
    EXPECT_EQ(ErrorWord(), 0u);
    EXPECT_EQ(RecordStatus(), 5u);
    va::Advance(handle, kBlockBytes);
    StopRecordAfter(handle);
    EXPECT_TRUE(ReadFile("1.raw") == microphone_.substr(0, 4 * kBlockBytes));
    StopRecord(handle);  // a second stop of the same recording
    EXPECT_EQ(ErrorWord(), 0u);
    EXPECT_EQ(RecordStatus(), 4u);
}

// A close notification that comes after the close call returned: the stop finishes the file
// itself, patched, and the late notification changes nothing, not even for the next
// recording.
TEST_F(Recording, LateCloseNotificationStillPatchesTheFile) {
    va::HoldCloseNotifications(true);
    StopRecordAfter(Record(u"1.wav", 1));
    EXPECT_EQ(ErrorWord(), 0u);
    EXPECT_EQ(RecordStatus(), 4u);
    std::string file = ReadFile("1.wav");
    ASSERT_EQ(file.size(), 44 + 2 * kBlockBytes);
    EXPECT_EQ(U32At(file, 4), 36 + 2 * kBlockBytes);
    EXPECT_EQ(U32At(file, 40), 2 * kBlockBytes);

    va::HoldCloseNotifications(false);
    const HWAVEIN next = Record(u"2.wav", 1);
    va::ReleaseHeldNotifications();
    EXPECT_EQ(RecordStatus(), 5u);
    EXPECT_TRUE(ReadFile("1.wav") == file);
    StopRecordAfter(next);
    file = ReadFile("2.wav");
    ASSERT_EQ(file.size(), 44 + 2 * kBlockBytes);
    EXPECT_EQ(U32At(file, 40), 2 * kBlockBytes);
}

// The open notification may come after the open call returned: the file is then created when
// it comes, and a failure to create it is reported then; the caller's stop finds the
// recorder already stopped.
TEST_F(Recording, LateOpenNotificationCreatesTheFileWhenItComes) {
    va::HoldOpenNotifications(true);
    const HWAVEIN handle = Record(u"1.raw");
    EXPECT_EQ(ErrorWord(), 0u);
    EXPECT_FALSE(std::filesystem::exists("1.raw"));
    va::ReleaseHeldNotifications();
    EXPECT_EQ(ReadFile("1.raw"), "");
    StopRecordAfter(handle);
    EXPECT_TRUE(ReadFile("1.raw") == microphone_.substr(0, 2 * kBlockBytes));

    std::filesystem::create_directory("2.raw");
    const HWAVEIN failing = Record(u"2.raw");
    EXPECT_EQ(ErrorWord(), 0u);
    va::ReleaseHeldNotifications();
    EXPECT_EQ(ErrorWord(), static_cast<DWORD>(KELVO_ERR_CREATE_FILE));
    EXPECT_EQ(va::OpenDeviceCount(), 0u);
    StopRecord(failing);
    EXPECT_EQ(ErrorWord(), static_cast<DWORD>(KELVO_ERR_CREATE_FILE));
}

// A device that stops delivering: the stop gives up waiting after its bound (for this fast
// format two seconds), resets and closes the device all the same.
TEST_F(Recording, StopOfAStalledDeviceEnds) {
    const HWAVEIN handle = Record(u"1.raw", 0, Pcm(44100, 16, 2));
    ASSERT_EQ(ErrorWord(), 0u);
    StopRecord(handle);  // the clock never runs: no buffer ever fills
    EXPECT_EQ(ErrorWord(), 0u);
    EXPECT_EQ(RecordStatus(), 4u);
    EXPECT_EQ(ReadFile("1.raw"), "");
}

}  // namespace
}  // namespace audio_test
