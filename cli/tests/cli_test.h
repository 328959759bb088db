// Runs the kelvo program in a fresh temporary directory and reads what it printed.
#pragma once

#include <gtest/gtest.h>
#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "child_process.h"
#include "temp_dir.h"

namespace kelvo_cli_test {

class CliTest : public test_support::InTempDir {
  protected:
    // Output goes to child.out and child.err in the working directory.
    static test_support::ChildResult Kelvo(const std::vector<std::string>& arguments,
                                           const std::map<std::string, std::string>& env = {}) {
        return test_support::RunProgram(KELVO_CLI, arguments, env, ".");
    }

    static nlohmann::json Json(const test_support::ChildResult& result) {
        return nlohmann::json::parse(result.out);
    }

    // The names in the directory, sorted.
    static std::vector<std::string> FilesIn(const std::filesystem::path& dir) {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    static std::string Sample(const std::string& name) {
        return std::string(SPEECH_TEST_DATA) + "/" + name;
    }

    // A committed sample (8-bit mono 11025 Hz) as samples in [-1, 1]; empty when unreadable.
    static std::vector<float> ReadSample(const std::string& sample) {
        SF_INFO in{};
        in.samplerate = 11025;
        in.channels = 1;
        in.format = SF_FORMAT_RAW | SF_FORMAT_PCM_U8;
        SNDFILE* raw = sf_open(Sample(sample).c_str(), SFM_READ, &in);
        if (raw == nullptr) {
            return {};
        }
        std::vector<float> samples(static_cast<std::size_t>(in.frames));
        sf_readf_float(raw, samples.data(), in.frames);
        sf_close(raw);
        return samples;
    }

    // Interleaved samples saved as a 16-bit WAV.
    static void WriteWave(const std::string& wav, const std::vector<float>& samples, int rate,
                          int channels) {
        SF_INFO out{};
        out.samplerate = rate;
        out.channels = channels;
        out.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* file = sf_open(wav.c_str(), SFM_WRITE, &out);
        ASSERT_NE(file, nullptr);
        sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size()) / channels);
        sf_close(file);
    }

    // A committed sample saved as a 44.1 kHz 16-bit stereo WAV, the right channel a quieter
    // copy of the left.
    static void WriteCdWave(const std::string& sample, const std::string& wav) {
        std::vector<float> mono = ReadSample(sample);
        ASSERT_FALSE(mono.empty());
        std::vector<float> resampled(mono.size() * 4 + 16);
        SRC_DATA step{};
        step.data_in = mono.data();
        step.input_frames = static_cast<long>(mono.size());
        step.data_out = resampled.data();
        step.output_frames = static_cast<long>(resampled.size());
        step.src_ratio = 4.0;
        ASSERT_EQ(src_simple(&step, SRC_SINC_FASTEST, 1), 0);
        std::vector<float> stereo;
        for (long i = 0; i < step.output_frames_gen; ++i) {
            stereo.push_back(resampled[static_cast<std::size_t>(i)]);
            stereo.push_back(0.7f * resampled[static_cast<std::size_t>(i)]);
        }
        WriteWave(wav, stereo, 44100, 2);
    }
};

}  // namespace kelvo_cli_test
