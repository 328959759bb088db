// The virtual device's configuration, parsed from the text of KELVO_VIRTUAL_AUDIO (syntax in
// platform/virtual_audio.h and docs/virtual-audio.md).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::audio {

struct VirtualConfig {
    enum class Source { kSilence, kTone, kFileOnce, kFileLoop };
    enum class Sink { kDiscard, kFile, kMemory };
    enum class Pace { kRealtime, kFaster, kMax, kManual };

    Source source = Source::kSilence;
    double toneHz = 0.0;
    // With kFileOnce / kFileLoop: one path or more, none empty. Each input device opened
    // takes the next one in turn, back to the first after the last.
    std::vector<std::string> inputPaths;
    Sink sink = Sink::kDiscard;
    std::string outputPath;
    Pace pace = Pace::kRealtime;
    double speed = 1.0;  // times faster than real time, for kFaster
    unsigned inputs = 1;
    unsigned outputs = 1;
};

// The configuration, or nothing when the text does not parse.
std::optional<VirtualConfig> ParseVirtualConfig(std::string_view text);

}  // namespace platform::audio
