// Buttons pressed one after another from start-up with no sound device present, and the message
// box each press opens. The handler tests run it against the logic with the virtual device
// switched off; the Windows program test presses the buttons of tarvik.exe under wine, whose
// audio drivers are off.
#pragma once

#include <windows.h>

#include "logic/user_messages.h"
#include "resources/dialog_template.h"

namespace tarvik_test {

enum class Box {
    kNone,          // no message box
    kUserError,     // owned by the dialog, captioned "Error User"
    kLibraryError,  // no owner, captioned "Test"
};

struct Press {
    int button;
    Box box;
    const WCHAR* text;  // the box's text; null with Box::kNone
};

inline constexpr Press kPressesWithoutSoundDevices[] = {
    {IDC_STOP_TRAIN_RECORD, Box::kUserError, kNoRecordingExists},
    {IDC_START_MATCH_RECORD, Box::kUserError, kTrainingNotStopped},
    {IDC_STOP_MATCH_RECORD, Box::kUserError, kNoMatchingRecording},
    // Nothing was recorded: the player finds no file before it looks for a device.
    {IDC_PLAY_TRAIN_RECORD, Box::kLibraryError, TEXT("Error: Error on opening file. (000025)")},
    {IDC_STOP_PLAY_TRAIN, Box::kNone, nullptr},
    {IDC_PLAY_MATCH_RECORD, Box::kLibraryError, TEXT("Error: Error on opening file. (000025)")},
    {IDC_STOP_PLAY_MATCH, Box::kNone, nullptr},
    {IDC_START_TRAIN_RECORD, Box::kLibraryError, TEXT("Error: No sound devices present. (000021)")},
    // The failed start left no recording to stop and no enrolment to verify against.
    {IDC_STOP_TRAIN_RECORD, Box::kUserError, kNoRecordingExists},
    {IDC_START_MATCH_RECORD, Box::kUserError, kTrainingNotStopped},
    {IDC_STOP_PLAY_TRAIN, Box::kNone, nullptr},
};

inline const WCHAR* Caption(Box box) {
    return box == Box::kUserError ? kUserErrorCaption : kLibraryErrorCaption;
}

}  // namespace tarvik_test
