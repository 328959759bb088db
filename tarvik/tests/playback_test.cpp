// The playback buttons: no flags, restarts while playing, stops that stop whatever plays.
#include <gtest/gtest.h>

#include "handler_test_fixture.h"

namespace tarvik_test {
namespace {

using PlaybackTest = HandlerTest;

TEST_F(PlaybackTest, PlayButtonsRestartAndEitherStopEndsThePlayback) {
    Enrol();
    Attempt();
    host_.Clear();

    handlers_.OnPlayTrainRecord();
    EXPECT_EQ(LibraryError(), 0u);
    EXPECT_EQ(va::OpenDeviceCount(), 1u);

    // Pressed again while playing: the library ends the running playback first.
    handlers_.OnPlayTrainRecord();
    EXPECT_EQ(LibraryError(), 0u);
    EXPECT_EQ(va::OpenDeviceCount(), 1u);
    handlers_.OnPlayMatchRecord();
    EXPECT_EQ(LibraryError(), 0u);
    EXPECT_EQ(va::OpenDeviceCount(), 1u);
    EXPECT_NE(g_hPlay, nullptr);

    // The training row's stop ends the matching row's playback.
    handlers_.OnStopPlayTrain();
    EXPECT_EQ(va::OpenDeviceCount(), 0u);
    handlers_.OnStopPlayMatch();
    handlers_.OnStopPlayTrain();

    EXPECT_TRUE(host_.events.empty());
    EXPECT_FALSE(g_bTrainRecording || g_bTrainingReady || g_bMatchRecording);
    EXPECT_FALSE(host_.matchText.empty()) << "playback does not touch the score";
}

}  // namespace
}  // namespace tarvik_test
