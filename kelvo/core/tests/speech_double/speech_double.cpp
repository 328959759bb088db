#include "speech_double.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "speech/speech.h"

namespace speech_double {
namespace {

struct State {
    std::vector<Call> calls;
    std::optional<std::string> fixedStates;
    int initHmmResult = 0;
    int extractResult = 0;
};

State& Shared() {
    static State state;
    return state;
}

std::optional<std::string> ReadFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    if (!in || std::filesystem::is_directory(name)) {
        return std::nullopt;
    }
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteFile(const std::string& name, const std::string& content) {
    std::ofstream(name, std::ios::binary) << content;
}

void Record(const char* entryPoint, int argc, char** argv) {
    Call call;
    call.entryPoint = entryPoint;
    for (int i = 0; i < argc; ++i) {
        call.arguments.emplace_back(argv[i]);
    }
    call.nullAfterLast = argv[argc] == nullptr;
    call.recordingList = ReadFile("raw.txt").value_or("<missing>");
    call.featureList = ReadFile("mfc.txt").value_or("<missing>");
    call.modelList = ReadFile("ml.txt").value_or("<missing>");
    call.statesPresent = std::filesystem::exists("states.txt");
    Shared().calls.push_back(std::move(call));

    // A program may write into its arguments: scribble over every one of them, so that
    // strings in read-only memory crash the test and a vector reused by a later call shows.
    for (int i = 0; i < argc; ++i) {
        volatile char* first = argv[i];
        *first = '#';
    }
}

}  // namespace

const std::vector<Call>& Calls() {
    return Shared().calls;
}

void EchoRecording() {
    Shared().fixedStates.reset();
}

void WriteStates(std::string content) {
    Shared().fixedStates = std::move(content);
}

void SetInitHmmResult(int result) {
    Shared().initHmmResult = result;
}

void SetExtractFeaturesResult(int result) {
    Shared().extractResult = result;
}

void Reset() {
    Shared() = State{};
}

}  // namespace speech_double

extern "C" int ExtractFeatures(int argc, char** argv) {
    using namespace speech_double;
    Record("ExtractFeatures", argc, argv);
    const auto recordingName = ReadFile("raw.txt");
    if (!recordingName || !std::filesystem::is_regular_file(*recordingName)) {
        return SPEECH_ERR_READ;
    }
    return Shared().extractResult;
}

extern "C" int InitHMM(int argc, char** argv) {
    using namespace speech_double;
    Record("InitHMM", argc, argv);
    State& state = Shared();
    if (state.fixedStates) {
        WriteFile("states.txt", *state.fixedStates);
        return state.initHmmResult;
    }
    const auto recordingName = ReadFile("raw.txt");
    const auto recording = recordingName ? ReadFile(*recordingName) : std::nullopt;
    if (!recording) {
        return SPEECH_ERR_READ;
    }
    WriteFile("states.txt", *recording);
    return state.initHmmResult;
}
