// The handlers against the real library, the real speech pipeline and the virtual audio
// device, paced 5 times faster than real time, in a fresh directory. The virtual microphone
// plays one of the committed sample recordings (2 s of a spoken password) into each recording.
#pragma once

#include <gtest/gtest.h>
#include <platform/virtual_audio.h>
#include <temp_dir.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <thread>

#include "kelvo/kelvo.h"
#include "logic/module_state.h"
#include "logic/tarvik_handlers.h"
#include "recording_host.h"
#include "sample_microphone.h"

namespace tarvik_test {

namespace va = platform::virtual_audio;

// Every sample recording holds 2 s of 8-bit mono at 11025 samples/s.
inline constexpr std::uintmax_t kSampleBytes = 22050;

inline DWORD LibraryError() {
    return std::atomic_ref<DWORD>(TL_Error).load();
}

class HandlerTest : public test_support::InTempDir {
  protected:
    void SetUp() override {
        InTempDir::SetUp();
        ResetModuleState();
        InitTonlet();
        Speaker("voiceA_pass_1.raw");
        handlers_.InitWaveFormat();
    }

    void TearDown() override {
        // Whatever a failed test left running ends through the library, so that the next
        // test finds it idle.
        if (g_bTrainRecording || g_bMatchRecording) {
            StopRecord(g_hRecord);
        }
        StopPlay(g_hPlay);
        EXPECT_EQ(va::OpenDeviceCount(), 0u) << "a device was left open";
        va::Reset();
        ResetModuleState();
        InTempDir::TearDown();
    }

    // The sample recordings the virtual microphone plays, one per recording in turn, from
    // now on.
    static void Speaker(std::initializer_list<std::string> samples) {
        const std::string configuration = SampleMicrophone(samples);
        ASSERT_TRUE(va::Install(configuration.c_str())) << configuration;
    }
    static void Speaker(const std::string& sample) { Speaker({sample}); }

    // Waits until the running recording holds the whole sample.
    static void SpeakInto(const char* file) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        std::error_code error;
        while (std::filesystem::file_size(file, error) < kSampleBytes || error) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << file << " stays short";
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    // 1000, the password spoken, 1001.
    void Enrol() {
        handlers_.OnStartTrainRecord();
        ASSERT_TRUE(g_bTrainRecording);
        SpeakInto("1.raw");
        handlers_.OnStopTrainRecord();
    }

    // 1003, the attempt spoken, 1002.
    void Attempt() {
        handlers_.OnStartMatchRecord();
        ASSERT_TRUE(g_bMatchRecording);
        SpeakInto("3.raw");
        handlers_.OnStopMatchRecord();
    }

    RecordingHost host_;
    CTarvikHandlers handlers_{host_};
};

}  // namespace tarvik_test
