// The demo's module state, shared by its handlers. There is one dialog per process, so this
// state exists once; it is zero, false or null when the program starts, and only the dialog's
// thread touches it.
#pragma once

#include <mmsystem.h>

// The audio format handed by value to every start call; filled when the dialog opens.
extern WAVEFORMATEX g_waveFormat;
// The handles of the running recording and playback, as the library's start calls left them.
extern HWAVEIN g_hRecord;
extern HWAVEOUT g_hPlay;
// A recording into "1.raw" was started successfully and has not been stopped.
extern bool g_bTrainRecording;
// An enrolment was made and a verification recording may start.
extern bool g_bTrainingReady;
// A recording into "3.raw" was started successfully and has not been stopped.
extern bool g_bMatchRecording;

// Puts the module state back as it is when the program starts (for tests that run several
// dialogs' worth of handler calls in one process).
void ResetModuleState();
