// ExtractFeatures: turns each recording of the -input list into the feature file at the same
// position of the -output list. Codes, in the order they are checked:
//   parsing: SPEECH_ERR_UNKNOWN_OPTION, SPEECH_ERR_MISSING_VALUE (option without value),
//            SPEECH_ERR_BAD_VALUE (malformed number or word);
//   -input or -output not given: SPEECH_ERR_MISSING_VALUE;
//   settings: as ValidateFrontEndOptions (BAD_VALUE for unknown words, IMPOSSIBLE otherwise);
//   lists: SPEECH_ERR_READ when one cannot be read (or is not a regular file, or is too
//          large), SPEECH_ERR_FORMAT when the input list is empty or the two lists differ in
//          length;
//   recordings: SPEECH_ERR_READ (also for one that is not a regular file or is longer than
//          kMaxRecordingSamples), SPEECH_ERR_FORMAT (unsupported RIFF file), SPEECH_ERR_WRITE.
// Every recording is attempted even after one fails, and the first failure is returned. A
// failed recording's feature file is removed, so no earlier run's features stay in its place.
// A recording with the very samples and settings of the last one computed in this process gets
// that one's features again rather than being computed anew (feature_reuse.h); its file is
// written all the same.
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "feature_file.h"
#include "feature_handoff.h"
#include "feature_reuse.h"
#include "front_end.h"
#include "frontend_options.h"
#include "option_parser.h"
#include "recording.h"
#include "speech/speech.h"
#include "stage_clock.h"
#include "text_io.h"

namespace speech {
namespace {

struct Arguments {
    FrontEndOptions options;
    std::string inputList;
    std::string outputList;
};

int ParseArguments(int argc, char** argv, Arguments& arguments) {
    FrontEndOptions& options = arguments.options;
    // Values not given keep their defaults; the stages a flag turns on are off unless named.
    options.zeroMean = options.energy = options.energyNorm = false;
    options.cms = options.delta = options.acc = false;
    OptionParser parser;
    parser.AddDouble("-sf", &options.sampleRate);
    parser.AddFlag("-zero_mean", &options.zeroMean);
    parser.AddDouble("-pre_emph_coeff", &options.preEmphasis);
    parser.AddString("-window_type", &options.windowType);
    parser.AddDouble("-window_dur", &options.windowMs);
    parser.AddDouble("-frame_dur", &options.shiftMs);
    parser.AddInt("-num_fbanks", &options.numFilters);
    parser.AddInt("-mfcc", &options.numCepstra);
    parser.AddDouble("-lifter_coeff", &options.lifter);
    parser.AddDouble("-spectral_floor", &options.spectralFloorDb);
    parser.AddFlag("-energy", &options.energy);
    parser.AddFlag("-energy_norm", &options.energyNorm);
    parser.AddFlag("-cms", &options.cms);
    parser.AddFlag("-delta", &options.delta);
    parser.AddFlag("-acc", &options.acc);
    parser.AddInt("-delta_win", &options.deltaWindow);
    parser.AddString("-output_mode", &options.outputMode);
    parser.AddString("-input", &arguments.inputList);
    parser.AddString("-output", &arguments.outputList);
    const int parsed = parser.Parse(argc, argv);
    if (parsed != SPEECH_OK) {
        return parsed;
    }
    if (arguments.inputList.empty() || arguments.outputList.empty()) {
        return SPEECH_ERR_MISSING_VALUE;
    }
    return ValidateFrontEndOptions(options);
}

// Removes a regular file (or link) at path, never a directory.
void RemoveStaleOutput(const std::string& path) {
    std::error_code error;
    const auto type = std::filesystem::symlink_status(path, error).type();
    if (type == std::filesystem::file_type::regular ||
        type == std::filesystem::file_type::symlink) {
        std::filesystem::remove(path, error);
    }
}

// The recording's features: those of the last recording computed when it had the same
// content and options, else computed (and then remembered, taking the samples).
FeatureMatrix ReuseOrCompute(std::optional<FrontEnd>& frontEnd, const FrontEndOptions& options,
                             std::string& samples) {
    if (auto reused = ReusableFeatures(samples, options)) {
        return std::move(*reused);
    }
    if (!frontEnd) {
        frontEnd.emplace(options);
    }
    FeatureMatrix features = frontEnd->ComputeFromBytes(samples);
    RememberComputedFeatures(std::move(samples), options, features);
    return features;
}

int Run(int argc, char** argv) {
    Arguments arguments;
    const int parsed = ParseArguments(argc, argv, arguments);
    if (parsed != SPEECH_OK) {
        return parsed;
    }
    const auto recordings = ReadNameList(arguments.inputList);
    const auto outputs = ReadNameList(arguments.outputList);
    if (!recordings || !outputs) {
        return SPEECH_ERR_READ;
    }
    if (recordings->empty() || recordings->size() != outputs->size()) {
        return SPEECH_ERR_FORMAT;
    }

    ForgetWrittenFeatures();
    std::optional<FrontEnd> frontEnd;  // built once a recording is to be computed
    std::string samples;
    int result = SPEECH_OK;
    for (std::size_t i = 0; i < recordings->size(); ++i) {
        const std::string& output = (*outputs)[i];
        int status = SPEECH_OK;
        {
            const StageTimer timer(Stage::kReadRecording);
            status = ReadRecordingBytes((*recordings)[i], arguments.options.sampleRate, samples);
        }
        if (status == SPEECH_OK) {
            FeatureMatrix features = ReuseOrCompute(frontEnd, arguments.options, samples);
            bool written = false;
            {
                const StageTimer timer(Stage::kWriteFeatures);
                written = WriteFeatureFileAndRound(output, features);
            }
            if (written) {
                RememberWrittenFeatures(output, std::move(features));
            } else {
                status = SPEECH_ERR_WRITE;
            }
        }
        if (status != SPEECH_OK) {
            RemoveStaleOutput(output);
            if (result == SPEECH_OK) {
                result = status;
            }
        }
    }
    return result;
}

}  // namespace
}  // namespace speech

extern "C" int ExtractFeatures(int argc, char** argv) {
    try {
        return speech::Run(argc, argv);
    } catch (...) {
        // In practice memory running out while holding a recording too large to process.
        return SPEECH_ERR_READ;
    }
}
