#include "kelvo/core/feature_pipeline.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "kelvo/core/argument_vector.h"
#include "kelvo/core/number_text.h"
#include "kelvo/core/text_file.h"
#include "speech/speech.h"

namespace kelvo {
namespace {

// Removes "states.txt" and reports whether it is gone (or was never there). A symbolic link
// there is removed itself, never its target.
bool RemoveStaleStates() {
    std::error_code error;
    std::filesystem::remove(kStatesFile, error);
    const auto status = std::filesystem::symlink_status(kStatesFile, error);
    return status.type() == std::filesystem::file_type::not_found;
}

bool WriteRecordingName(const char* listFile, int n, const char* extension) {
    std::string name;
    AppendDecimal(name, n);
    name += extension;
    return ReplaceTextFile(listFile, name);
}

// The argument vectors, one option and its value per line.
// clang-format off
int CallExtractFeatures() {
    ArgumentVector arguments{
        "extract_feature",
        "-delta", "-acc", "-cms", "-zero_mean", "-energy", "-energy_norm",
        "-mfcc", "14",
        "-delta_win", "2",
        "-lifter_coeff", "36",
        "-window_dur", "16",
        "-frame_dur", "8",
        "-num_fbanks", "22",
        "-window_type", "hamming",
        "-sf", "11025.0",
        "-pre_emph_coeff", "0.97",
        "-output_mode", "ascii",
        "-input", kRecordingListFile,
        "-output", kFeatureListFile,
    };
    return ExtractFeatures(arguments.Count(), arguments.Data());
}

int CallInitHmm() {
    ArgumentVector arguments{
        "init_hmm",
        "-input", kFeatureListFile,
        "-models", kModelListFile,
        "-trans", kTransitionsFile,
        "-mode", "ascii",
        "-state", kStatesFile,
        "-vfloor_file", "vfloor.txt",
        "-var_floor", "0.0002",
        "-num_features", "45",
    };
    return InitHMM(arguments.Count(), arguments.Data());
}
// clang-format on

}  // namespace

FeaturePipelineRun RunFeaturePipeline(int n) {
    FeaturePipelineRun run;
    run.recording = n;
    run.staleStatesRemoved = RemoveStaleStates();
    const bool recordingListed = WriteRecordingName(kRecordingListFile, n, ".raw");
    const bool featuresListed = WriteRecordingName(kFeatureListFile, n, ".mfc");
    const bool modelsListed = ReplaceTextFile(kModelListFile, "0 sp\n1 sil");
    run.listFilesWritten = recordingListed && featuresListed && modelsListed;
    // InitHMM runs whatever ExtractFeatures gave: without features it fails and removes any
    // "states.txt" itself.
    run.extractResult = CallExtractFeatures();
    run.initHmmResult = CallInitHmm();
    return run;
}

}  // namespace kelvo
