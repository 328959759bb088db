// kelvo record FILE [--seconds N]: the audio input recorded into a WAV file through
// StartRecord / StopRecord.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "audio_device.h"
#include "commands.h"
#include "wide_text.h"

namespace kelvo_cli {
namespace {

constexpr double kWaveHeaderBytes = 44.0;
constexpr std::chrono::milliseconds kPollInterval{10};

// The sample bytes the recording file holds so far (the recorder appends whole buffers).
double RecordedBytes(const std::string& file) {
    struct stat status {};
    if (stat(file.c_str(), &status) != 0 || status.st_size < 44) {
        return 0.0;
    }
    return static_cast<double>(status.st_size) - kWaveHeaderBytes;
}

}  // namespace

ExitCode RunRecord(const RecordOptions& options, Output& out) {
    const std::u16string name = WideFileName(options.file);
    const WAVEFORMATEX format = KelvoWaveFormat();
    out.Data()["file"] = options.file;
    InitTonlet();
    HWAVEIN handle = nullptr;
    StartRecord(name.c_str(), format, &handle, 1);
    if (const DWORD error = LoadStatus(TL_Error)) {
        throw DeviceError(options.file, "cannot start recording", error);
    }
    // Stops after the given time, or as soon as the file holds that much audio: a virtual
    // device may run faster than real time.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(options.seconds);
    const double wanted = options.seconds * format.nAvgBytesPerSec;
    while (LoadStatus(TL_Error) == 0 && std::chrono::steady_clock::now() < deadline &&
           RecordedBytes(options.file) < wanted) {
        std::this_thread::sleep_for(kPollInterval);
    }
    StopRecord(handle);
    if (const DWORD error = LoadStatus(TL_Error)) {
        throw DeviceError(options.file, "recording failed", error);
    }
    const double seconds = RecordedBytes(options.file) / format.nAvgBytesPerSec;
    out.Data()["seconds"] = seconds;
    char line[64];
    std::snprintf(line, sizeof line, "%.2f s", seconds);
    out.Line("recorded " + std::string(line) + " into " + options.file);
    return kExitSuccess;
}

}  // namespace kelvo_cli
