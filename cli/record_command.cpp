// kelvo record FILE [--seconds N]: the audio input recorded into a WAV file through
// StartRecord / StopRecord.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
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

// Cuts the WAV written by the recorder to `bytes` of samples, its RIFF and data sizes
// rewritten: a device faster than real time (or a loaded machine) may have delivered more
// than was asked for before the recording was stopped. False when the file cannot be cut.
bool TrimWave(const std::string& file, std::uint32_t bytes) {
    const int fd = open(file.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const auto le32 = [](std::uint32_t value) {
        return std::array<unsigned char, 4>{
            static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
            static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    };
    const auto riff = le32(bytes + 36);
    const auto data = le32(bytes);
    const bool cut = ftruncate(fd, static_cast<off_t>(kWaveHeaderBytes) + bytes) == 0 &&
                     pwrite(fd, riff.data(), riff.size(), 4) == 4 &&
                     pwrite(fd, data.data(), data.size(), 40) == 4;
    return close(fd) == 0 && cut;
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
    // Exactly the length asked for, whatever the pace the device ran at.
    const double recorded = RecordedBytes(options.file);
    if (recorded > std::floor(wanted) &&
        !TrimWave(options.file, static_cast<std::uint32_t>(std::floor(wanted)))) {
        throw CliError(kExitSetUp, options.file + ": cannot cut the recording to its length");
    }
    const double seconds = RecordedBytes(options.file) / format.nAvgBytesPerSec;
    out.Data()["seconds"] = seconds;
    char line[64];
    std::snprintf(line, sizeof line, "%.2f s", seconds);
    out.Line("recorded " + std::string(line) + " into " + options.file);
    return kExitSuccess;
}

}  // namespace kelvo_cli
