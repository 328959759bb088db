// The speech library's argument parser on any argument vector: the input's lines are the
// arguments after the program name. Parsed with options of every kind (the front end's names)
// and by the model initialiser's own option reader. Accepted values are finite.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "model_options.h"
#include "option_parser.h"
#include "speech/speech.h"

namespace {

constexpr std::size_t kMaxArguments = 256;

// The front end's options, of every kind, with kelvo's values as defaults.
struct FrontEndArguments {
    double sampleRate = 11025.0;
    double preEmphasis = 0.97;
    double windowMs = 16.0;
    double shiftMs = 8.0;
    double lifter = 36.0;
    double spectralFloorDb = 0.0;
    bool zeroMean = false;
    bool energy = false;
    bool energyNorm = false;
    bool cms = false;
    bool delta = false;
    bool acc = false;
    int numFilters = 22;
    int numCepstra = 14;
    int deltaWindow = 2;
    std::string windowType = "hamming";
    std::string outputMode = "ascii";
    std::string input;
    std::string output;
};

int ParseFrontEnd(int argc, char** argv, FrontEndArguments& arguments) {
    speech::OptionParser parser;
    parser.AddDouble("-sf", &arguments.sampleRate);
    parser.AddFlag("-zero_mean", &arguments.zeroMean);
    parser.AddDouble("-pre_emph_coeff", &arguments.preEmphasis);
    parser.AddString("-window_type", &arguments.windowType);
    parser.AddDouble("-window_dur", &arguments.windowMs);
    parser.AddDouble("-frame_dur", &arguments.shiftMs);
    parser.AddInt("-num_fbanks", &arguments.numFilters);
    parser.AddInt("-mfcc", &arguments.numCepstra);
    parser.AddDouble("-lifter_coeff", &arguments.lifter);
    parser.AddDouble("-spectral_floor", &arguments.spectralFloorDb);
    parser.AddFlag("-energy", &arguments.energy);
    parser.AddFlag("-energy_norm", &arguments.energyNorm);
    parser.AddFlag("-cms", &arguments.cms);
    parser.AddFlag("-delta", &arguments.delta);
    parser.AddFlag("-acc", &arguments.acc);
    parser.AddInt("-delta_win", &arguments.deltaWindow);
    parser.AddString("-output_mode", &arguments.outputMode);
    parser.AddString("-input", &arguments.input);
    parser.AddString("-output", &arguments.output);
    return parser.Parse(argc, argv);
}

bool AllFinite(const FrontEndArguments& arguments) {
    for (double value : {arguments.sampleRate, arguments.preEmphasis, arguments.windowMs,
                         arguments.shiftMs, arguments.lifter, arguments.spectralFloorDb}) {
        if (!std::isfinite(value)) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> tokens{"fuzz"};
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    while (!rest.empty() && tokens.size() <= kMaxArguments) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        tokens.emplace_back(rest.substr(0, end));
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    // Exactly argc entries: the entry points go by the count and must not read a null pointer
    // after the last argument.
    std::vector<char*> argv;
    for (std::string& token : tokens) {
        argv.push_back(token.data());
    }
    const int argc = static_cast<int>(tokens.size());

    FrontEndArguments frontEnd;
    const int result = ParseFrontEnd(argc, argv.data(), frontEnd);
    if (result != SPEECH_OK && result != SPEECH_ERR_UNKNOWN_OPTION &&
        result != SPEECH_ERR_MISSING_VALUE && result != SPEECH_ERR_BAD_VALUE) {
        std::abort();
    }
    // A value is only used when the whole vector parsed; a malformed one may be left behind.
    if (result == SPEECH_OK && !AllFinite(frontEnd)) {
        std::abort();
    }

    speech::ModelOptions model;
    if (speech::ParseModelOptions(argc, argv.data(), model) == SPEECH_OK &&
        !std::isfinite(model.varianceFloor)) {
        std::abort();
    }
    return 0;
}
