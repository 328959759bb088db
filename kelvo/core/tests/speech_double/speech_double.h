// A stand-in for the speech library, linked into kelvo's tests in place of the real one. It
// records how its entry points were called and what the list files held at that moment, and
// leaves in "states.txt" what the test chose.
#pragma once

#include <string>
#include <vector>

namespace speech_double {

struct Call {
    std::string entryPoint;  // "ExtractFeatures" or "InitHMM"
    std::vector<std::string> arguments;
    bool nullAfterLast = false;  // argv[argc] was a null pointer
    std::string recordingList;   // "raw.txt" at the time of the call ("<missing>" if absent)
    std::string featureList;     // "mfc.txt"
    std::string modelList;       // "ml.txt"
    bool statesPresent = false;  // whether "states.txt" existed when the call began
};

const std::vector<Call>& Calls();

// What InitHMM leaves in "states.txt".
// By default it echoes the recording: the recording named in "raw.txt" is copied to
// "states.txt" (so a test recording is the text of its model vector), and when the recording
// does not exist nothing is written and InitHMM fails, as a real front end would.
void EchoRecording();
// Always writes this content, whatever the recording.
void WriteStates(std::string content);

// The value InitHMM returns when it does not fail.
void SetInitHmmResult(int result);

// The value ExtractFeatures returns when the recording named in "raw.txt" is there (it
// returns SPEECH_ERR_READ when it is not, as the real front end does).
void SetExtractFeaturesResult(int result);

// Forgets the calls and goes back to echoing the recording.
void Reset();

}  // namespace speech_double
