// The texts and captions of the dialog's message boxes.
#pragma once

#include <windows.h>

// Buttons pressed out of order: a box owned by the dialog.
inline constexpr const WCHAR* kUserErrorCaption = TEXT("Error User");
inline constexpr const WCHAR* kNoRecordingExists =
    TEXT("No Recording Exists. Click 'Record' to continue");
inline constexpr const WCHAR* kTrainingNotStopped = TEXT("Training File Recording Not Stopped");
inline constexpr const WCHAR* kNoMatchingRecording =
    TEXT("No Matching Recording Started. Click 'Start' to continue");
// A start pressed while one of the dialog's recordings runs: the library keeps one recording
// at a time, so the press is refused before it reaches the library.
inline constexpr const WCHAR* kRecordingRunning =
    TEXT("Recording In Progress. Click 'Stop Record' to continue");

// A recording or playback that failed to start: a box with no owner, with the library's text
// and code.
inline constexpr const WCHAR* kLibraryErrorCaption = TEXT("Test");
inline constexpr const WCHAR* kLibraryErrorFormat = TEXT("Error: %s (%0.6d)");
