// The test program is also the child each scenario runs in ("--scenario NAME ..."): it records
// or plays through kelvo's calls on whatever device the platform layer finds (the parent
// chooses the ALSA configuration), and reports on stdout and by its exit code.
//   record FILE HEADER   StartRecord of FILE (HEADER 0 or 1) in the demo's format, then at
//                        once StopRecord
//   play FILE            StartPlay of FILE with the demo's format, prints the format the
//                        device was opened with ("format RATE BITS CHANNELS"), then StopPlay
#include <gtest/gtest.h>
#include <mmsystem.h>
#include <platform/virtual_audio.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "audio_test_support.h"
#include "kelvo/audio/player_state.h"
#include "kelvo/kelvo.h"

namespace {

namespace va = platform::virtual_audio;

std::u16string FileName(const char* name) {
    return std::u16string(name, name + std::strlen(name));
}

int Fail(const char* what, DWORD value) {
    std::printf("%s: %lu\n", what, static_cast<unsigned long>(value));
    return 1;
}

// What every scenario ends with: no error, the status `status` word at 4, no device open.
int Finish(const char* call, DWORD status) {
    if (TL_Error != 0) {
        return Fail(call, TL_Error);
    }
    if (status != 4) {
        return Fail("status after the stop", status);
    }
    if (va::OpenDeviceCount() != 0) {
        return Fail("devices left open", static_cast<DWORD>(va::OpenDeviceCount()));
    }
    return 0;
}

int Record(const char* file, int header) {
    InitTonlet();
    HWAVEIN handle = nullptr;
    StartRecord(FileName(file).c_str(), audio_test::DemoFormat(), &handle, header);
    if (TL_Error != 0 || handle == nullptr) {
        return Fail("StartRecord", TL_Error);
    }
    StopRecord(handle);
    return Finish("StopRecord", TL_RecordStatus);
}

int Play(const char* file) {
    InitTonlet();
    HWAVEOUT handle = nullptr;
    StartPlay(FileName(file).c_str(), audio_test::DemoFormat(), &handle);
    if (TL_Error != 0 || handle == nullptr) {
        return Fail("StartPlay", TL_Error);
    }
    const WAVEFORMATEX& format = kelvo::audio::Player().format;
    std::printf("format %lu %u %u\n", static_cast<unsigned long>(format.nSamplesPerSec),
                format.wBitsPerSample, format.nChannels);
    StopPlay(handle);
    return Finish("StopPlay", TL_PlayStatus);
}

int RunScenario(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[0], "record") == 0) {
        return Record(argv[1], std::atoi(argv[2]));
    }
    if (argc == 2 && std::strcmp(argv[0], "play") == 0) {
        return Play(argv[1]);
    }
    std::printf("unknown scenario\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--scenario") == 0) {
        return RunScenario(argc - 2, argv + 2);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
