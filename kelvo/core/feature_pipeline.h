// The driver of the speech library: turns recording n ("<n>.raw") into a model vector in
// "states.txt" by writing the list files the entry points read and calling ExtractFeatures,
// then InitHMM, with their fixed argument vectors.
#pragma once

#include "kelvo/core/call_reason.h"

namespace kelvo {

inline constexpr const char* kRecordingListFile = "raw.txt";
inline constexpr const char* kFeatureListFile = "mfc.txt";
inline constexpr const char* kModelListFile = "ml.txt";
inline constexpr const char* kStatesFile = "states.txt";
inline constexpr const char* kTransitionsFile = "trans.txt";  // optional; read when there

// The longest recording the speech library takes: 10 minutes at 11025 Hz.
inline constexpr long long kMaxRecordingSeconds = 600;
inline constexpr long long kMaxRecordingSamples = kMaxRecordingSeconds * 11025;

struct FeaturePipelineRun {
    int recording = 0;  // n
    int extractResult = 0;
    int initHmmResult = 0;
    bool listFilesWritten = false;    // all three list files rewritten for this recording
    bool staleStatesRemoved = false;  // no "states.txt" of an earlier run was left behind

    // Whether a "states.txt" found after the run can only have come from this recording.
    // Otherwise the run is not to be scored: a list file may still name the previous
    // recording, or the previous model vector may still be there.
    bool Scorable() const { return listFilesWritten && staleStatesRemoved; }
};

// Removes the previous "states.txt", replaces the three list files (never writing through
// whatever stood at their names) and calls the two entry points in order. The caller holds
// the WorkDirLock. The entry points are called even when a list file could not be written.
FeaturePipelineRun RunFeaturePipeline(int n);

// What stopped the run from leaving a model vector: kDone when both entry points succeeded
// and the run is scorable; else the fault of the working directory or of the recording, or
// kNoVoice. Looks at the recording and "trans.txt" to tell whose the failure was.
CallReason ReasonOf(const FeaturePipelineRun& run);

// Whether the working directory's file system has too little room left for the work files
// of recording n: when a write failed, most likely the reason.
bool SpaceRunsShort(int n);

}  // namespace kelvo
