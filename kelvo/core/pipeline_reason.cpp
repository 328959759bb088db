// Whose failure a pipeline run was. The speech library reports a class of failure (a read, a
// write, a format); which file it was follows from what the run wrote itself and what else
// is in the working directory.
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "kelvo/core/feature_pipeline.h"
#include "kelvo/core/number_text.h"
#include "kelvo/core/text_file.h"
#include "speech/speech.h"

namespace kelvo {
namespace {

// A RIFF/WAVE header before the samples, at most.
constexpr std::int64_t kRiffHeaderBytes = 44;

std::string RecordingName(int n) {
    std::string name;
    AppendDecimal(name, n);
    return name + ".raw";
}

// The recording's size, or -1 when it is missing, no regular file or cannot be opened.
std::int64_t RecordingSize(int n) {
    const int fd = OpenRegularFile(RecordingName(n).c_str(), portable::kRead);
    if (fd < 0) {
        return -1;
    }
    std::int64_t size = 0;
    const bool regular = portable::IsRegularFile(fd, &size);
    portable::CloseFile(fd);
    return regular ? size : -1;
}

CallReason RecordingReason(int n) {
    const std::int64_t size = RecordingSize(n);
    if (size < 0) {
        return CallReason::kRecordingUnreadable;
    }
    if (size > kMaxRecordingSamples + kRiffHeaderBytes) {
        return CallReason::kRecordingTooLong;
    }
    return CallReason::kSpeechLibraryFailed;  // the recording is there: the lists were not read
}

// Whether something other than nothing is at "trans.txt": the speech library reads it then.
bool TransitionsPresent() {
    std::error_code error;
    return std::filesystem::symlink_status(kTransitionsFile, error).type() !=
           std::filesystem::file_type::not_found;
}

CallReason ExtractReason(const FeaturePipelineRun& run) {
    switch (run.extractResult) {
        case SPEECH_ERR_READ:
            return RecordingReason(run.recording);
        case SPEECH_ERR_FORMAT:
            return CallReason::kRecordingMalformed;
        case SPEECH_ERR_WRITE:
            return CallReason::kFeaturesNotWritten;
        default:
            return CallReason::kSpeechLibraryFailed;
    }
}

CallReason InitHmmReason(const FeaturePipelineRun& run) {
    switch (run.initHmmResult) {
        case SPEECH_ERR_TOO_LITTLE_SPEECH:
            return CallReason::kNoVoice;
        case SPEECH_ERR_READ:
        case SPEECH_ERR_FORMAT:
            return TransitionsPresent() ? CallReason::kTransitionsUnusable
                                        : CallReason::kSpeechLibraryFailed;
        case SPEECH_ERR_WRITE:
            return CallReason::kModelNotWritten;
        default:
            return CallReason::kSpeechLibraryFailed;
    }
}

}  // namespace

CallReason ReasonOf(const FeaturePipelineRun& run) {
    if (!run.Scorable()) {
        return CallReason::kWorkFilesNotWritten;
    }
    if (run.extractResult != SPEECH_OK) {
        return ExtractReason(run);
    }
    if (run.initHmmResult != SPEECH_OK) {
        return InitHmmReason(run);
    }
    return CallReason::kDone;
}

bool SpaceRunsShort(int n) {
    // The features of a recording take about six bytes of text per sample; the rest of the
    // work files and a profile line, well under a MiB.
    constexpr std::uintmax_t kBytesPerSample = 8;
    constexpr std::uintmax_t kOtherFiles = std::uintmax_t{1} << 20;
    std::error_code error;
    const std::filesystem::space_info space = std::filesystem::space(".", error);
    if (error) {
        return false;
    }
    const std::int64_t recording = RecordingSize(n);
    const std::uintmax_t needed =
        kOtherFiles +
        (recording > 0 ? static_cast<std::uintmax_t>(recording) * kBytesPerSample : 0);
    return space.available < needed;
}

}  // namespace kelvo
