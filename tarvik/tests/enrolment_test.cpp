// The cycle as the buttons run it: enrolment (1000, 1001) and verification (1003, 1002).
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "handler_test_fixture.h"
#include "logic/user_messages.h"

namespace tarvik_test {
namespace {

using Kind = HostEvent::Kind;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    while (start < text.size()) {
        const auto end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

using EnrolmentTest = HandlerTest;

TEST_F(EnrolmentTest, StartDeletesTheOldFilesWaitsThenRecords) {
    for (const char* old : {"1.raw", "2.raw", "3.raw", "kelvo.cfg", "4.raw"}) {
        WriteFile(old, "old");
    }
    handlers_.OnStartTrainRecord();

    ASSERT_EQ(host_.events.size(), 5u);
    const char* deleted[] = {"1.raw", "2.raw", "3.raw", "kelvo.cfg"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(host_.events[i].kind, Kind::kRemove);
        EXPECT_EQ(host_.events[i].text, deleted[i]);
    }
    EXPECT_EQ(host_.events[4].kind, Kind::kWait);
    EXPECT_EQ(host_.events[4].milliseconds, 100u);
    EXPECT_EQ(host_.events[4].openDevices, 0u) << "the recording started before the wait";

    EXPECT_TRUE(g_bTrainRecording);
    EXPECT_EQ(LibraryError(), 0u);
    EXPECT_EQ(va::OpenDeviceCount(), 1u);
    EXPECT_FALSE(std::filesystem::exists("2.raw"));
    EXPECT_FALSE(std::filesystem::exists("3.raw"));
    EXPECT_FALSE(std::filesystem::exists("kelvo.cfg"));
    EXPECT_TRUE(std::filesystem::exists("4.raw")) << "only the demo's files are deleted";
}

TEST_F(EnrolmentTest, StopCopiesTheRecordingAndEnrolsItTwice) {
    handlers_.OnStartTrainRecord();
    SpeakInto("1.raw");
    host_.Clear();
    handlers_.OnStopTrainRecord();

    EXPECT_FALSE(g_bTrainRecording);
    EXPECT_TRUE(g_bTrainingReady);
    ASSERT_EQ(host_.events.size(), 3u);
    EXPECT_EQ(host_.events[0].kind, Kind::kWait);
    EXPECT_EQ(host_.events[0].milliseconds, 500u);
    EXPECT_EQ(host_.events[0].openDevices, 0u) << "the recording was not stopped first";
    EXPECT_EQ(host_.events[1].kind, Kind::kCopy);
    EXPECT_EQ(host_.events[1].text, "1.raw");
    EXPECT_EQ(host_.events[1].caption, "2.raw");
    EXPECT_EQ(host_.events[2].kind, Kind::kWait);
    EXPECT_EQ(host_.events[2].milliseconds, 500u);

    const std::string recording = ReadFile("1.raw");
    EXPECT_GE(recording.size(), kSampleBytes);
    EXPECT_EQ(recording.size() % 4096, 0u);
    EXPECT_EQ(ReadFile("2.raw"), recording);

    const std::vector<std::string> profile = Lines(ReadFile("kelvo.cfg"));
    ASSERT_EQ(profile.size(), 2u);
    for (const std::string& line : profile) {
        EXPECT_EQ(line.rfind("Demo ", 0), 0u) << line;
    }
    // The same recording enrolled twice gives the same model vector.
    EXPECT_EQ(profile[0].substr(profile[0].find(' ', 5)),
              profile[1].substr(profile[1].find(' ', 5)));
}

TEST_F(EnrolmentTest, TheSameRecordingAttemptedAgainShowsItsScore) {
    Enrol();
    host_.Clear();

    handlers_.OnStartMatchRecord();
    EXPECT_FALSE(g_bTrainingReady) << "one verification per enrolment";
    EXPECT_TRUE(g_bMatchRecording);
    SpeakInto("3.raw");
    handlers_.OnStopMatchRecord();

    EXPECT_FALSE(g_bMatchRecording);
    EXPECT_TRUE(host_.Messages().empty());
    ASSERT_EQ(host_.events.back().kind, Kind::kMatchText);
    const std::string& score = host_.matchText;
    ASSERT_FALSE(score.empty());
    EXPECT_EQ(score.find_first_not_of("0123456789"), std::string::npos) << score;
    EXPECT_GE(std::atoi(score.c_str()), 90) << "the enrolled recording itself scored " << score;
    EXPECT_LE(std::atoi(score.c_str()), 100);
    EXPECT_EQ(ReadFile("3.raw").substr(0, kSampleBytes), ReadFile("1.raw").substr(0, kSampleBytes));

    // The score stays; a second verification needs a new enrolment.
    host_.Clear();
    handlers_.OnStartMatchRecord();
    handlers_.OnStopMatchRecord();
    ASSERT_EQ(host_.Messages().size(), 2u);
    EXPECT_EQ(host_.Messages()[0].text, Narrow(kTrainingNotStopped));
    EXPECT_EQ(host_.Messages()[1].text, Narrow(kNoMatchingRecording));
    EXPECT_EQ(va::OpenDeviceCount(), 0u);
}

TEST_F(EnrolmentTest, AnotherTakeOfTheVoiceIsAcceptedAndOtherVoicesScoreZero) {
    // As the demo script sets the microphone up: one take for the password, the other for
    // the attempt.
    Speaker({"voiceA_pass_1.raw", "voiceA_pass_2.raw"});
    Enrol();
    Attempt();
    EXPECT_GE(std::atoi(host_.matchText.c_str()), 80) << host_.matchText;

    Speaker({"voiceA_pass_2.raw", "voiceB_pass_1.raw"});
    Enrol();
    Attempt();
    EXPECT_EQ(host_.matchText, "0");
    EXPECT_TRUE(host_.Messages().empty()) << "a rejected attempt is no error";
}

TEST_F(EnrolmentTest, ProfileAndWorkFilesKeepDotDecimalsUnderACommaLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "locale de_DE.UTF-8 missing (scripts/install-deps.sh makes it)";
    }
    Enrol();
    Attempt();
    std::setlocale(LC_ALL, previous.c_str());

    const std::string profile = ReadFile("kelvo.cfg");
    EXPECT_NE(profile.find('.'), std::string::npos);
    EXPECT_EQ(profile.find(','), std::string::npos) << profile;
    EXPECT_EQ(ReadFile("states.txt").find(','), std::string::npos);
    EXPECT_GE(std::atoi(host_.matchText.c_str()), 90) << host_.matchText;
}

}  // namespace
}  // namespace tarvik_test
