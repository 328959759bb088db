// Helpers shared by the front-end tests: a fresh working directory per test, argument vectors
// without a null entry after the last argument, and a deterministic test recording.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "argument_vector.h"
#include "feature_file.h"
#include "feature_matrix.h"
#include "temp_dir.h"
#include "text_io.h"

namespace speech::test {

using WorkDirTest = test_support::InTempDir;
using test_support::ArgVector;

// The vector the verification pipeline passes, 31 entries.
inline std::vector<std::string> PipelineArguments(const std::string& input = "raw.txt",
                                                  const std::string& output = "mfc.txt") {
    return {"extract_feature",
            "-delta",
            "-acc",
            "-cms",
            "-zero_mean",
            "-energy",
            "-energy_norm",
            "-mfcc",
            "14",
            "-delta_win",
            "2",
            "-lifter_coeff",
            "36",
            "-window_dur",
            "16",
            "-frame_dur",
            "8",
            "-num_fbanks",
            "22",
            "-window_type",
            "hamming",
            "-sf",
            "11025.0",
            "-pre_emph_coeff",
            "0.97",
            "-output_mode",
            "ascii",
            "-input",
            input,
            "-output",
            output};
}

// A rising chirp (200 Hz to 4 kHz) with noise from a fixed linear congruential generator, as
// 8-bit unsigned samples.
inline std::string TestRecording(std::size_t samples, double rate = 11025.0,
                                 std::uint32_t seed = 12345) {
    std::string bytes(samples, '\0');
    const double seconds = static_cast<double>(samples) / rate;
    for (std::size_t n = 0; n < samples; ++n) {
        seed = seed * 1664525u + 1013904223u;
        const double noise = static_cast<double>(seed >> 24) / 16.0 - 8.0;  // [-8, 8)
        const double t = static_cast<double>(n) / rate;
        const double phase = 2.0 * std::numbers::pi * (200.0 * t + 1900.0 * t * t / seconds);
        const double value = std::round(128.0 + 80.0 * std::sin(phase) + noise);
        bytes[n] = static_cast<char>(static_cast<unsigned char>(value));
    }
    return bytes;
}

inline std::vector<double> ToSamples(const std::string& bytes) {
    std::vector<double> samples;
    for (const char byte : bytes) {
        samples.push_back(static_cast<double>(static_cast<unsigned char>(byte)) - 128.0);
    }
    return samples;
}

inline void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

inline std::optional<FeatureMatrix> ReadFeatures(const std::string& path) {
    const auto text = ReadWholeFile(path);
    return text ? ParseFeatureFile(*text) : std::nullopt;
}

}  // namespace speech::test
