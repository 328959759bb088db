// InitHMM: reads the feature files of one or more recordings and writes the model vector and
// the flat-start state parameters of the listed models.
#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "feature_file.h"
#include "feature_handoff.h"
#include "model_list.h"
#include "model_options.h"
#include "model_vector.h"
#include "speech/speech.h"
#include "speech_frames.h"
#include "stage_clock.h"
#include "state_file.h"
#include "state_statistics.h"
#include "text_io.h"
#include "topology.h"
#include "utterance_statistics.h"
#include "voice_check.h"

namespace speech {
namespace {

int ReadFeatureFiles(const ModelOptions& options, std::vector<FeatureMatrix>& files) {
    const StageTimer timer(Stage::kReadFeatures);
    const auto names = ReadNameList(options.inputList);
    if (!names) {
        return SPEECH_ERR_READ;
    }
    if (names->empty()) {
        return SPEECH_ERR_FORMAT;
    }
    for (const std::string& name : *names) {
        if (auto written = TakeWrittenFeatures(name);
            written && written->dims == static_cast<std::size_t>(options.numFeatures)) {
            files.push_back(std::move(*written));
            continue;
        }
        const auto text = ReadWholeFile(name, kMaxFeatureFileBytes);
        if (!text) {
            return SPEECH_ERR_READ;
        }
        auto features = ParseFeatureFile(*text);
        if (!features || features->dims != static_cast<std::size_t>(options.numFeatures)) {
            return SPEECH_ERR_FORMAT;
        }
        files.push_back(std::move(*features));
    }
    return SPEECH_OK;
}

// The transitions file when there is one, else the default topology. Anything at its name
// that is not a well-formed transitions file fails the run rather than being passed over, so
// that a damaged file is noticed.
int ReadTopology(const ModelOptions& options, Topology& topology) {
    std::string text;
    const FileRead read = options.transitionsFile.empty()
                              ? FileRead::kMissing
                              : ReadRegularFile(options.transitionsFile, kMaxListFileBytes, text);
    if (read == FileRead::kMissing) {
        topology = DefaultTopology();
        return SPEECH_OK;
    }
    if (read != FileRead::kOk) {
        return SPEECH_ERR_READ;
    }
    auto parsed = ParseTopology(text);
    if (!parsed) {
        return SPEECH_ERR_FORMAT;
    }
    topology = std::move(*parsed);
    return SPEECH_OK;
}

int Run(int argc, char** argv, ModelOptions& options) {
    if (const int result = ParseModelOptions(argc, argv, options); result != SPEECH_OK) {
        return result;
    }
    std::vector<FeatureMatrix> files;
    if (const int result = ReadFeatureFiles(options, files); result != SPEECH_OK) {
        return result;
    }
    const auto modelText = ReadWholeFile(options.modelList, kMaxListFileBytes);
    if (!modelText) {
        return SPEECH_ERR_READ;
    }
    const auto models = ParseModelList(*modelText);
    if (!models) {
        return SPEECH_ERR_FORMAT;
    }
    Topology topology;
    if (const int result = ReadTopology(options, topology); result != SPEECH_OK) {
        return result;
    }

    const FrameLayout frames =
        FrameLayout::ForFeatures(static_cast<std::size_t>(options.numFeatures));
    const ModelVectorParameters& parameters = ShippedModelVector();
    if (PhraseStatisticsSize(frames) != parameters.phrase.inputs ||
        VoiceStatisticsSize(frames) != parameters.voice.inputs) {
        return SPEECH_ERR_IMPOSSIBLE;
    }
    std::vector<double> modelVector;
    {
        const StageTimer timer(Stage::kModelVector);
        if (!HasVoice(files, frames)) {
            return SPEECH_ERR_TOO_LITTLE_SPEECH;
        }
        const auto statistics = ComputeUtteranceStatistics(files, frames);
        if (!statistics) {
            return SPEECH_ERR_TOO_LITTLE_SPEECH;
        }
        modelVector = ComputeModelVector(*statistics, parameters);
    }

    std::vector<double> floor;
    std::vector<ModelParameters> states;
    {
        const StageTimer timer(Stage::kStates);
        const Gaussian global = GlobalStatistics(files, frames.statics * 3);
        floor = VarianceFloor(global, options.varianceFloor);
        for (const ModelEntry& model : *models) {
            states.push_back(EstimateModel(model, topology, files, frames, global, floor));
        }
    }
    const StageTimer timer(Stage::kWriteStates);
    if (!options.varianceFloorFile.empty() &&
        !WriteWholeFile(options.varianceFloorFile, FormatNumberLine(floor))) {
        return SPEECH_ERR_WRITE;
    }
    if (!WriteWholeFile(options.stateFile, FormatStateFile(modelVector, states))) {
        return SPEECH_ERR_WRITE;
    }
    return SPEECH_OK;
}

}  // namespace
}  // namespace speech

extern "C" int InitHMM(int argc, char** argv) {
    speech::ModelOptions options;
    int result = SPEECH_OK;
    try {
        result = speech::Run(argc, argv, options);
    } catch (...) {
        // In practice memory running out while holding feature files too large to process.
        result = SPEECH_ERR_READ;
    }
    if (result != SPEECH_OK && !options.stateFile.empty()) {
        // A state file left from an earlier run would pass for this run's result.
        std::error_code error;
        if (!std::filesystem::is_directory(options.stateFile, error)) {
            std::filesystem::remove(options.stateFile, error);
        }
    }
    return result;
}
