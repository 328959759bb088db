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

    // A committed sample (8-bit mono 11025 Hz) saved as a 44.1 kHz 16-bit stereo WAV, the
    // right channel a quieter copy of the left.
    static void WriteCdWave(const std::string& sample, const std::string& wav) {
        SF_INFO in{};
        in.samplerate = 11025;
        in.channels = 1;
        in.format = SF_FORMAT_RAW | SF_FORMAT_PCM_U8;
        SNDFILE* raw = sf_open(Sample(sample).c_str(), SFM_READ, &in);
        ASSERT_NE(raw, nullptr);
        std::vector<float> mono(static_cast<std::size_t>(in.frames));
        sf_readf_float(raw, mono.data(), in.frames);
        sf_close(raw);
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
        SF_INFO out{};
        out.samplerate = 44100;
        out.channels = 2;
        out.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* file = sf_open(wav.c_str(), SFM_WRITE, &out);
        ASSERT_NE(file, nullptr);
        sf_writef_float(file, stereo.data(), step.output_frames_gen);
        sf_close(file);
    }
};

}  // namespace kelvo_cli_test
