// Buttons pressed out of order, and starts pressed while one of the dialog's recordings runs:
// each is answered by a message box of the dialog and reaches neither the library nor a file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "handler_test_fixture.h"
#include "logic/button_map.h"
#include "logic/user_messages.h"
#include "press_sequence.h"

namespace tarvik_test {
namespace {

using ButtonOrderTest = HandlerTest;

// Exactly one message box, owned by the dialog, captioned "Error User", and nothing else.
void ExpectOnlyDialogMessage(RecordingHost& host, const WCHAR* text) {
    ASSERT_EQ(host.events.size(), 1u);
    EXPECT_EQ(host.events[0].kind, HostEvent::Kind::kDialogMessage);
    EXPECT_EQ(host.events[0].text, Narrow(text));
    EXPECT_EQ(host.events[0].caption, "Error User");
    host.Clear();
}

TEST_F(ButtonOrderTest, PressesFromStartUpWithoutSoundDevices) {
    va::SetDeviceCounts(0, 0);
    for (const Press& press : kPressesWithoutSoundDevices) {
        SCOPED_TRACE(testing::Message() << "button " << press.button);
        ASSERT_TRUE(PressButton(handlers_, press.button));
        const auto messages = host_.Messages();
        if (press.box == Box::kNone) {
            EXPECT_TRUE(messages.empty());
        } else {
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0].kind, press.box == Box::kUserError
                                            ? HostEvent::Kind::kDialogMessage
                                            : HostEvent::Kind::kOwnerlessMessage);
            EXPECT_EQ(messages[0].text, Narrow(press.text));
            EXPECT_EQ(messages[0].caption, Narrow(Caption(press.box)));
        }
        host_.Clear();
    }

    EXPECT_FALSE(g_bTrainRecording || g_bTrainingReady || g_bMatchRecording);
    EXPECT_EQ(va::OpenDeviceCount(), 0u);
    EXPECT_EQ(host_.matchText, "") << "edit 1010 stays empty until a score is shown";
    EXPECT_TRUE(std::filesystem::is_empty(".")) << "a file was written";
}

TEST_F(ButtonOrderTest, SecondTrainingStopWithdrawsTheEnrolmentButKeepsTheProfile) {
    Enrol();
    host_.Clear();
    handlers_.OnStopTrainRecord();
    ExpectOnlyDialogMessage(host_, kNoRecordingExists);
    EXPECT_FALSE(g_bTrainingReady);
    EXPECT_TRUE(std::filesystem::exists("kelvo.cfg"));

    handlers_.OnStartMatchRecord();
    ExpectOnlyDialogMessage(host_, kTrainingNotStopped);
    EXPECT_EQ(va::OpenDeviceCount(), 0u);
}

TEST_F(ButtonOrderTest, TrainingStartDuringARecordingIsRefusedBeforeAnythingHappens) {
    handlers_.OnStartTrainRecord();
    ASSERT_TRUE(g_bTrainRecording);
    WriteFile("2.raw", "kept");
    host_.Clear();

    handlers_.OnStartTrainRecord();
    ExpectOnlyDialogMessage(host_, kRecordingRunning);
    EXPECT_EQ(ReadFile("2.raw"), "kept") << "a file was deleted";
    EXPECT_EQ(LibraryError(), 0u) << "the start reached the library";
    EXPECT_TRUE(g_bTrainRecording);

    // The first recording goes on and enrols as usual.
    SpeakInto("1.raw");
    handlers_.OnStopTrainRecord();
    EXPECT_TRUE(g_bTrainingReady);
    EXPECT_TRUE(host_.Messages().empty());
    EXPECT_GE(ReadFile("2.raw").size(), kSampleBytes);
}

TEST_F(ButtonOrderTest, StartsDuringAVerificationRecordingAreRefused) {
    Enrol();
    handlers_.OnStartMatchRecord();
    ASSERT_TRUE(g_bMatchRecording);
    host_.Clear();

    handlers_.OnStartMatchRecord();
    ExpectOnlyDialogMessage(host_, kTrainingNotStopped);
    handlers_.OnStartTrainRecord();
    ExpectOnlyDialogMessage(host_, kRecordingRunning);
    EXPECT_TRUE(std::filesystem::exists("kelvo.cfg")) << "the enrolment was deleted";
    EXPECT_EQ(LibraryError(), 0u);

    SpeakInto("3.raw");
    handlers_.OnStopMatchRecord();
    EXPECT_GE(std::atoi(host_.matchText.c_str()), 90) << host_.matchText;
}

TEST_F(ButtonOrderTest, MatchStartDuringANewTrainingRecordingIsRefused) {
    Enrol();
    // 1000 after an enrolment leaves g_bTrainingReady set although the profile is gone.
    handlers_.OnStartTrainRecord();
    EXPECT_TRUE(g_bTrainingReady);
    EXPECT_FALSE(std::filesystem::exists("kelvo.cfg"));
    host_.Clear();

    handlers_.OnStartMatchRecord();
    ExpectOnlyDialogMessage(host_, kRecordingRunning);
    EXPECT_FALSE(g_bMatchRecording);
    EXPECT_FALSE(std::filesystem::exists("3.raw"));

    SpeakInto("1.raw");
    handlers_.OnStopTrainRecord();
    Attempt();
    EXPECT_GE(std::atoi(host_.matchText.c_str()), 90) << host_.matchText;
}

}  // namespace
}  // namespace tarvik_test
