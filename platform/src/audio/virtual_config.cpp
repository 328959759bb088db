#include "virtual_config.h"

#include <charconv>
#include <cmath>
#include <utility>

namespace platform::audio {
namespace {

std::optional<double> ParsePositive(std::string_view text) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value) ||
        value <= 0.0) {
        return std::nullopt;
    }
    return value;
}

std::optional<unsigned> ParseCount(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value > 64) {
        return std::nullopt;
    }
    return value;
}

bool TakePrefix(std::string_view& text, std::string_view prefix) {
    if (!text.starts_with(prefix)) {
        return false;
    }
    text.remove_prefix(prefix.size());
    return true;
}

// PATH or PATH;PATH;...: an empty entry (an empty text, ";;", a leading or trailing ';') is
// an error, as a missing path is.
std::optional<std::vector<std::string>> ParsePaths(std::string_view text) {
    std::vector<std::string> paths;
    while (true) {
        const std::size_t semicolon = text.find(';');
        const std::string_view path = text.substr(0, semicolon);
        if (path.empty()) {
            return std::nullopt;
        }
        paths.emplace_back(path);
        if (semicolon == std::string_view::npos) {
            return paths;
        }
        text.remove_prefix(semicolon + 1);
    }
}

bool ApplyInputFiles(std::string_view value, VirtualConfig::Source source, VirtualConfig& config) {
    auto paths = ParsePaths(value);
    if (!paths) {
        return false;
    }
    config.source = source;
    config.inputPaths = std::move(*paths);
    return true;
}

bool ApplyInput(std::string_view value, VirtualConfig& config) {
    if (value == "silence") {
        config.source = VirtualConfig::Source::kSilence;
    } else if (TakePrefix(value, "tone:")) {
        const auto hz = ParsePositive(value);
        if (!hz) {
            return false;
        }
        config.source = VirtualConfig::Source::kTone;
        config.toneHz = *hz;
    } else if (TakePrefix(value, "file:")) {
        return ApplyInputFiles(value, VirtualConfig::Source::kFileOnce, config);
    } else if (TakePrefix(value, "loop:")) {
        return ApplyInputFiles(value, VirtualConfig::Source::kFileLoop, config);
    } else {
        return false;
    }
    return true;
}

bool ApplyOutput(std::string_view value, VirtualConfig& config) {
    if (value == "discard") {
        config.sink = VirtualConfig::Sink::kDiscard;
    } else if (value == "memory") {
        config.sink = VirtualConfig::Sink::kMemory;
    } else if (TakePrefix(value, "file:") && !value.empty()) {
        config.sink = VirtualConfig::Sink::kFile;
        config.outputPath = value;
    } else {
        return false;
    }
    return true;
}

bool ApplyPace(std::string_view value, VirtualConfig& config) {
    if (value == "realtime") {
        config.pace = VirtualConfig::Pace::kRealtime;
    } else if (value == "max") {
        config.pace = VirtualConfig::Pace::kMax;
    } else if (value == "manual") {
        config.pace = VirtualConfig::Pace::kManual;
    } else if (const auto speed = ParsePositive(value)) {
        config.pace = VirtualConfig::Pace::kFaster;
        config.speed = *speed;
    } else {
        return false;
    }
    return true;
}

bool Apply(std::string_view key, std::string_view value, VirtualConfig& config) {
    if (key == "in") {
        return ApplyInput(value, config);
    }
    if (key == "out") {
        return ApplyOutput(value, config);
    }
    if (key == "pace") {
        return ApplyPace(value, config);
    }
    if (key == "inputs" || key == "outputs") {
        const auto count = ParseCount(value);
        if (!count) {
            return false;
        }
        (key == "inputs" ? config.inputs : config.outputs) = *count;
        return true;
    }
    return false;
}

}  // namespace

std::optional<VirtualConfig> ParseVirtualConfig(std::string_view text) {
    VirtualConfig config;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        if (item.empty()) {
            continue;
        }
        const std::size_t equals = item.find('=');
        if (equals == std::string_view::npos ||
            !Apply(item.substr(0, equals), item.substr(equals + 1), config)) {
            return std::nullopt;
        }
    }
    return config;
}

}  // namespace platform::audio
