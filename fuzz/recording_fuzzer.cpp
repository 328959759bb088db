// The speech library's recording reader on any file content: raw samples, or a RIFF/WAVE file
// whose chunks it walks. Read at the verification pipeline's rate.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "recording.h"
#include "speech/speech.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<double> samples;
    const int result = speech::DecodeRecording(bytes, 11025.0, samples);
    if (result != SPEECH_OK && result != SPEECH_ERR_FORMAT) {
        std::abort();
    }
    // Every sample comes from one byte of the file.
    if (result == SPEECH_OK && samples.size() > size) {
        std::abort();
    }
    for (const double sample : samples) {
        if (!(sample >= -128.0 && sample <= 127.0)) {
            std::abort();
        }
    }
    // The undecoded path keeps exactly the bytes the decoded samples came from.
    std::string kept(bytes);
    if (speech::KeepSampleBytes(kept, 11025.0) != result || kept.size() != samples.size()) {
        std::abort();
    }
    for (std::size_t n = 0; n < kept.size(); ++n) {
        if (static_cast<double>(static_cast<unsigned char>(kept[n])) - 128.0 != samples[n]) {
            std::abort();
        }
    }
    return 0;
}
