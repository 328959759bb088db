// InitHMM: reads the feature files of one or more recordings and writes the model vector and
// the flat-start state parameters of the listed models.
#include <algorithm>
#include <filesystem>
#include <optional>
#include <vector>

#include "feature_file.h"
#include "feature_handoff.h"
#include "model_list.h"
#include "model_options.h"
#include "model_vector.h"
#include "speech/speech.h"
#include "speech_frames.h"
#include "state_file.h"
#include "state_statistics.h"
#include "text_io.h"
#include "topology.h"

namespace speech {
namespace {

// Below this variance a feature is constant: digital silence or a constant signal gives
// cepstra that do not move at all.
constexpr double kConstantVariance = 1e-8;

int ReadFeatureFiles(const ModelOptions& options, std::vector<FeatureMatrix>& files) {
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
        const auto text = ReadWholeFile(name);
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

int ReadTopology(const ModelOptions& options, Topology& topology) {
    std::error_code error;
    if (options.transitionsFile.empty() ||
        !std::filesystem::exists(options.transitionsFile, error)) {
        topology = DefaultTopology();
        return SPEECH_OK;
    }
    const auto text = ReadWholeFile(options.transitionsFile);
    if (!text) {
        return SPEECH_ERR_READ;
    }
    auto parsed = ParseTopology(*text);
    if (!parsed) {
        return SPEECH_ERR_FORMAT;
    }
    topology = std::move(*parsed);
    return SPEECH_OK;
}

// Enough speech frames, and speech that is not constant.
bool HasSpeech(const std::vector<FeatureMatrix>& files, const FrameLayout& frames, double rangeDb) {
    std::size_t speechFrames = 0;
    std::vector<FeatureMatrix> speechOnly;
    for (const FeatureMatrix& features : files) {
        const std::vector<std::size_t> speech = SpeechFrames(features, frames, rangeDb);
        speechFrames += speech.size();
        FeatureMatrix statics(speech.size(), frames.statics);
        for (std::size_t i = 0; i < speech.size(); ++i) {
            const auto row = features.Row(speech[i]);
            std::copy(row.begin(), row.begin() + static_cast<std::ptrdiff_t>(frames.statics),
                      statics.Row(i).begin());
        }
        speechOnly.push_back(std::move(statics));
    }
    if (speechFrames < kMinSpeechFrames) {
        return false;
    }
    const Gaussian spread = GlobalStatistics(speechOnly, frames.statics);
    return std::any_of(spread.variance.begin(), spread.variance.end(),
                       [](double variance) { return variance > kConstantVariance; });
}

int Run(int argc, char** argv, ModelOptions& options) {
    if (const int result = ParseModelOptions(argc, argv, options); result != SPEECH_OK) {
        return result;
    }
    std::vector<FeatureMatrix> files;
    if (const int result = ReadFeatureFiles(options, files); result != SPEECH_OK) {
        return result;
    }
    const auto modelText = ReadWholeFile(options.modelList);
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
    const ModelVectorLayout& layout = ShippedModelVectorLayout();
    if (layout.picks.size() != kModelVectorSize ||
        std::any_of(layout.picks.begin(), layout.picks.end(),
                    [&](const SegmentPick& pick) { return pick.feature >= frames.statics; })) {
        return SPEECH_ERR_IMPOSSIBLE;
    }
    if (!HasSpeech(files, frames, kSpeechRangeDb)) {
        return SPEECH_ERR_TOO_LITTLE_SPEECH;
    }
    const auto modelVector = ComputeModelVector(files, frames, layout);
    if (!modelVector) {
        return SPEECH_ERR_TOO_LITTLE_SPEECH;
    }

    const Gaussian global = GlobalStatistics(files, frames.statics * 3);
    const std::vector<double> floor = VarianceFloor(global, options.varianceFloor);
    std::vector<ModelParameters> parameters;
    for (const ModelEntry& model : *models) {
        parameters.push_back(EstimateModel(model, topology, files, frames, global, floor));
    }
    if (!options.varianceFloorFile.empty() &&
        !WriteWholeFile(options.varianceFloorFile, FormatNumberLine(floor))) {
        return SPEECH_ERR_WRITE;
    }
    if (!WriteWholeFile(options.stateFile, FormatStateFile(*modelVector, parameters))) {
        return SPEECH_ERR_WRITE;
    }
    return SPEECH_OK;
}

}  // namespace
}  // namespace speech

extern "C" int InitHMM(int argc, char** argv) {
    speech::ModelOptions options;
    const int result = speech::Run(argc, argv, options);
    if (result != SPEECH_OK && !options.stateFile.empty()) {
        // A state file left from an earlier run would pass for this run's result.
        std::error_code error;
        if (!std::filesystem::is_directory(options.stateFile, error)) {
            std::filesystem::remove(options.stateFile, error);
        }
    }
    return result;
}
