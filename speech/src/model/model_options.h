// Options of the model initialiser, with the defaults kelvo's argument vector gives.
#pragma once

#include <string>

namespace speech {

struct ModelOptions {
    std::string inputList;          // -input: list file of feature files
    std::string modelList;          // -models: "<index> <name>" lines, e.g. "0 sp" and "1 sil"
    std::string transitionsFile;    // -trans: used when the file exists, else the default topology
    std::string mode = "ascii";     // -mode: only ascii
    std::string stateFile;          // -state: the state parameters, model vector first
    std::string varianceFloorFile;  // -vfloor_file
    double varianceFloor = 0.0002;  // -var_floor: relative to each feature's global variance
    int numFeatures = 45;           // -num_features: values per frame the files must have
};

// Reads the argument vector into options; SPEECH_OK or the code of the first fault.
int ParseModelOptions(int argc, char** argv, ModelOptions& options);

}  // namespace speech
