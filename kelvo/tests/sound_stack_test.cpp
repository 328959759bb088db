// The sound libraries (the layer's sound-device module, PortAudio, ALSA, JACK) are loaded only
// when a process first asks for a sound device: enrolling and verifying never map them, and a
// process that cannot load them has no sound devices. The test program is also the child the
// device tests run in, each a fresh process.
#include <child_process.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "kelvo/kelvo.h"
#include "temp_dir.h"

namespace {

using test_support::ChildResult;
using test_support::RunChild;

// The sound libraries this process has mapped, each followed by a space.
std::string MappedSoundLibraries() {
    std::string mapped;
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        for (const char* library :
             {"libkelvo-portaudio.", "libportaudio.", "libasound.", "libjack."}) {
            if (line.find(std::string("/") + library) != std::string::npos &&
                mapped.find(library) == std::string::npos) {
                mapped += std::string(library) + ' ';
            }
        }
    }
    return mapped;
}

class SoundStack : public test_support::InTempDir {
  protected:
    static void Use(const char* sample, int n) {
        std::filesystem::copy_file(std::string(SPEECH_TEST_DATA) + "/" + sample,
                                   std::to_string(n) + ".raw");
    }
};

TEST_F(SoundStack, EnrolmentAndVerificationLeaveItUnloaded) {
    Use("voiceA_pass_1.raw", 1);
    Use("voiceA_pass_1.raw", 2);
    Use("voiceA_pass_2.raw", 3);
    ASSERT_EQ(TrainSpeaker("Demo", 1), KELVO_TRAIN_OK);
    ASSERT_EQ(TrainSpeaker("Demo", 2), KELVO_TRAIN_OK);
    EXPECT_GT(EvalSpeaker("Demo", 3), 0.0);
    EXPECT_EQ(MappedSoundLibraries(), "");
}

// The children run on the machine's sound devices, not on the virtual device.
TEST_F(SoundStack, AskingForADeviceLoadsIt) {
    const ChildResult devices = RunChild({"devices"}, {{"KELVO_VIRTUAL_AUDIO", ""}},
                                         std::filesystem::current_path().string());
    ASSERT_EQ(devices.exit_code, 0) << devices.out << devices.err;
    for (const char* library : {"libkelvo-portaudio.", "libportaudio."}) {
        EXPECT_NE(devices.out.find(library), std::string::npos) << devices.out;
    }
}

// A copy of libplatform in a directory without the module, found first through
// LD_LIBRARY_PATH, stands for a machine without the sound libraries.
TEST_F(SoundStack, WithoutTheModuleThereAreNoSoundDevices) {
    const std::string alone = std::filesystem::current_path() / "alone";
    std::filesystem::create_directory(alone);
    std::filesystem::copy_file(KELVO_PLATFORM_LIBRARY, alone + "/" + KELVO_PLATFORM_SONAME);
    const ChildResult record =
        RunChild({"record"}, {{"KELVO_VIRTUAL_AUDIO", ""}, {"LD_LIBRARY_PATH", alone}},
                 std::filesystem::current_path().string());
    ASSERT_EQ(record.exit_code, 0) << record.out << record.err;
    EXPECT_EQ(record.out, "devices:0 error:21 mapped:\n");
    // Why, said once.
    EXPECT_NE(record.err.find("libkelvo-portaudio"), std::string::npos) << record.err;
    EXPECT_EQ(record.err.find('\n'), record.err.size() - 1) << record.err;
}

// "devices": prints the input device count and the sound libraries then mapped.
// "record": also starts a recording (with no device it starts nothing) and prints TL_Error.
int RunScenario(const std::string& name) {
    const UINT devices = waveInGetNumDevs();
    if (name == "devices") {
        std::printf("devices:%u mapped:%s\n", devices, MappedSoundLibraries().c_str());
        return 0;
    }
    if (name == "record" && devices == 0) {
        WAVEFORMATEX format = {WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 18};
        HWAVEIN recorder = nullptr;
        StartRecord(u"sound-stack-test.raw", format, &recorder, 0);
        const DWORD error = TL_Error;
        StopRecord(recorder);
        std::printf("devices:%u error:%u mapped:%s\n", devices, error,
                    MappedSoundLibraries().c_str());
        return 0;
    }
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--scenario") == 0) {
        return RunScenario(argv[2]);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
