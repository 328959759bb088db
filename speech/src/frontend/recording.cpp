#include "recording.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

#include "speech/speech.h"
#include "text_io.h"

namespace speech {
namespace {

constexpr std::size_t kRiffHeaderSize = 12;  // "RIFF", size, "WAVE"
constexpr std::size_t kChunkHeaderSize = 8;  // id, size
constexpr std::size_t kPcmFormatSize = 16;   // the fmt fields PCM needs

std::uint32_t ReadLittleEndian(std::string_view bytes, std::size_t at, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = width; i > 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i - 1]);
    }
    return value;
}

void SetSamples(std::string_view bytes, std::vector<double>& samples) {
    samples.resize(bytes.size());
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        samples[n] = static_cast<double>(static_cast<unsigned char>(bytes[n])) - 128.0;
    }
}

bool IsSupportedFormat(std::string_view fmt, double sampleRate) {
    if (fmt.size() < kPcmFormatSize) {
        return false;
    }
    const std::uint32_t formatTag = ReadLittleEndian(fmt, 0, 2);
    const std::uint32_t channels = ReadLittleEndian(fmt, 2, 2);
    const std::uint32_t rate = ReadLittleEndian(fmt, 4, 4);
    const std::uint32_t bits = ReadLittleEndian(fmt, 14, 2);
    return formatTag == 1 && channels == 1 && bits == 8 &&
           static_cast<double>(rate) == std::round(sampleRate);
}

// The samples of a RIFF/WAVE file, or nothing when it is not 8-bit mono PCM at sampleRate.
std::optional<std::string_view> WaveSamples(std::string_view bytes, double sampleRate) {
    if (bytes.size() < kRiffHeaderSize || bytes.substr(8, 4) != "WAVE") {
        return std::nullopt;
    }
    std::optional<std::string_view> fmt;
    std::optional<std::string_view> data;
    std::size_t at = kRiffHeaderSize;
    while (bytes.size() - at >= kChunkHeaderSize && !(fmt && data)) {
        const std::string_view id = bytes.substr(at, 4);
        const std::size_t declared = ReadLittleEndian(bytes, at + 4, 4);
        at += kChunkHeaderSize;
        // Writers that stream may declare more than they wrote: keep what is there.
        const std::size_t size = std::min(declared, bytes.size() - at);
        const std::string_view body = bytes.substr(at, size);
        if (id == "fmt " && !fmt) {
            fmt = body;
        } else if (id == "data" && !data) {
            data = body;
        }
        at += size;
        if (size % 2 == 1 && at < bytes.size()) {
            ++at;  // chunks are padded to an even length
        }
    }
    if (!fmt || !data || !IsSupportedFormat(*fmt, sampleRate)) {
        return std::nullopt;
    }
    return data;
}

}  // namespace

int DecodeRecording(std::string_view bytes, double sampleRate, std::vector<double>& samples) {
    if (!bytes.starts_with("RIFF")) {
        SetSamples(bytes, samples);
        return SPEECH_OK;
    }
    const auto data = WaveSamples(bytes, sampleRate);
    if (!data) {
        samples.clear();
        return SPEECH_ERR_FORMAT;
    }
    SetSamples(*data, samples);
    return SPEECH_OK;
}

int KeepSampleBytes(std::string& file, double sampleRate) {
    if (!file.starts_with("RIFF")) {
        return SPEECH_OK;
    }
    const auto data = WaveSamples(file, sampleRate);
    if (!data) {
        file.clear();
        return SPEECH_ERR_FORMAT;
    }
    // The samples moved to the front, in the memory already held.
    const auto offset = static_cast<std::size_t>(data->data() - file.data());
    const std::size_t size = data->size();
    file.erase(0, offset);
    file.resize(size);
    return SPEECH_OK;
}

int ReadRecordingBytes(const std::string& path, double sampleRate, std::string& bytes) {
    auto content = ReadWholeFile(path, kMaxRecordingFileBytes);
    if (!content) {
        bytes.clear();
        return SPEECH_ERR_READ;
    }
    bytes = std::move(*content);
    const int status = KeepSampleBytes(bytes, sampleRate);
    if (bytes.size() > kMaxRecordingSamples) {
        bytes.clear();
        return SPEECH_ERR_READ;
    }
    return status;
}

int ReadRecording(const std::string& path, double sampleRate, std::vector<double>& samples) {
    std::string bytes;
    const int status = ReadRecordingBytes(path, sampleRate, bytes);
    if (status != SPEECH_OK) {
        samples.clear();
        return status;
    }
    SetSamples(bytes, samples);
    return SPEECH_OK;
}

}  // namespace speech
