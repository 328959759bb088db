// Starts the library refuses: the ownerless "Test" box with the library's text and code.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "handler_test_fixture.h"

namespace tarvik_test {
namespace {

using LibraryErrorTest = HandlerTest;

// Exactly one message box with no owner, captioned "Test", and nothing else.
void ExpectOnlyLibraryError(RecordingHost& host, const std::string& text) {
    const auto messages = host.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, HostEvent::Kind::kOwnerlessMessage);
    EXPECT_EQ(messages[0].text, text);
    EXPECT_EQ(messages[0].caption, "Test");
    host.Clear();
}

TEST_F(LibraryErrorTest, StartsWithoutSoundDevices) {
    va::SetDeviceCounts(0, 0);
    handlers_.OnStartTrainRecord();
    ExpectOnlyLibraryError(host_, "Error: No sound devices present. (000021)");
    EXPECT_FALSE(g_bTrainRecording);

    WriteFile("1.raw", std::string(8192, '\x80'));  // the player opens the file first
    handlers_.OnPlayTrainRecord();
    ExpectOnlyLibraryError(host_, "Error: No sound devices present. (000021)");
    EXPECT_EQ(va::OpenDeviceCount(), 0u);
}

TEST_F(LibraryErrorTest, FailedVerificationStartMayBeTriedAgainWithoutANewEnrolment) {
    Enrol();
    host_.Clear();
    va::SetDeviceCounts(0, 1);
    handlers_.OnStartMatchRecord();
    ExpectOnlyLibraryError(host_, "Error: No sound devices present. (000021)");
    EXPECT_TRUE(g_bTrainingReady);
    EXPECT_FALSE(g_bMatchRecording);

    va::SetDeviceCounts(1, 1);
    Attempt();
    EXPECT_TRUE(host_.Messages().empty());
    EXPECT_GE(std::atoi(host_.matchText.c_str()), 90) << host_.matchText;
}

TEST_F(LibraryErrorTest, PlaybackBeforeAnyRecordingCannotOpenTheFile) {
    handlers_.OnPlayTrainRecord();
    ExpectOnlyLibraryError(host_, "Error: Error on opening file. (000025)");
    handlers_.OnPlayMatchRecord();
    ExpectOnlyLibraryError(host_, "Error: Error on opening file. (000025)");

    // The stop buttons never show a message, whatever plays or not.
    handlers_.OnStopPlayTrain();
    handlers_.OnStopPlayMatch();
    EXPECT_TRUE(host_.events.empty());
    EXPECT_EQ(va::OpenDeviceCount(), 0u);
}

TEST_F(LibraryErrorTest, ErrorBoxHoldsTheWholeTextAndASixDigitCode) {
    const DWORD codes[] = {0,  1,  4,  12, 20,     21,      22,         23,
                           24, 25, 26, 27, 999999, 1234567, 0x7FFFFFFF, 0xFFFFFFFF};
    for (const DWORD code : codes) {
        handlers_.ShowErrorBox(code);
        char number[16];
        std::snprintf(number, sizeof number, "%.6d", static_cast<int>(code));
        ExpectOnlyLibraryError(host_,
                               "Error: " + Narrow(GetErrorString(code)) + " (" + number + ")");
    }
}

}  // namespace
}  // namespace tarvik_test
