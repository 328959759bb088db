#include "model_options.h"

#include "option_parser.h"
#include "speech/speech.h"

namespace speech {

int ParseModelOptions(int argc, char** argv, ModelOptions& options) {
    OptionParser parser;
    parser.AddString("-input", &options.inputList);
    parser.AddString("-models", &options.modelList);
    parser.AddString("-trans", &options.transitionsFile);
    parser.AddString("-mode", &options.mode);
    parser.AddString("-state", &options.stateFile);
    parser.AddString("-vfloor_file", &options.varianceFloorFile);
    parser.AddDouble("-var_floor", &options.varianceFloor);
    parser.AddInt("-num_features", &options.numFeatures);
    if (const int result = parser.Parse(argc, argv); result != SPEECH_OK) {
        return result;
    }
    if (options.inputList.empty() || options.modelList.empty() || options.stateFile.empty()) {
        return SPEECH_ERR_MISSING_VALUE;
    }
    if (options.mode != "ascii") {
        return SPEECH_ERR_BAD_VALUE;
    }
    // The model vector is made of the static features (cepstra and normalised energy), the
    // first third of a frame of statics, deltas and accelerations.
    if (options.numFeatures < 3 || options.numFeatures % 3 != 0 || options.varianceFloor < 0.0 ||
        options.varianceFloor >= 1.0) {
        return SPEECH_ERR_IMPOSSIBLE;
    }
    return SPEECH_OK;
}

}  // namespace speech
