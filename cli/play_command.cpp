// kelvo play FILE: a file played through StartPlay / StopPlay until its end. A kelvo ".raw"
// recording and a plain PCM WAV are played as they are; anything else libsndfile reads is
// converted into a temporary 16-bit WAV first.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <optional>
#include <thread>

#include "audio_device.h"
#include "commands.h"
#include "sound_conversion.h"
#include "temporary_directory.h"
#include "wide_text.h"

namespace kelvo_cli {
namespace {

constexpr std::chrono::milliseconds kPollInterval{10};
// Beyond the file's own length, how long the end of playback is waited for.
constexpr std::chrono::seconds kEndMargin{5};

constexpr DWORD kPlayEndReached = 3;
constexpr DWORD kPlayStopped = 4;

std::uint32_t Le32(const unsigned char* bytes) {
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
           std::uint32_t{bytes[3]} << 24;
}

unsigned Le16(const unsigned char* bytes) {
    return unsigned{bytes[0]} | unsigned{bytes[1]} << 8;
}

// Whether the player takes the file with its own format: a 44-byte RIFF/WAVE header (RIFF
// size matching the file, a 16-byte fmt chunk, "data" right after) of 8- or 16-bit PCM,
// mono or stereo, at 8000 to 96000 Hz.
bool IsPlainPcmWave(const std::string& file) {
    const int fd = open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    unsigned char h[44] = {};
    const off_t size = lseek(fd, 0, SEEK_END);
    const bool read = pread(fd, h, sizeof h, 0) == static_cast<ssize_t>(sizeof h);
    close(fd);
    const auto tag = [&h](int at, const char* text) { return std::memcmp(h + at, text, 4) == 0; };
    const unsigned bits = Le16(h + 34);
    const std::uint32_t rate = Le32(h + 24);
    return read && tag(0, "RIFF") && Le32(h + 4) + std::int64_t{8} == size && tag(8, "WAVE") &&
           tag(12, "fmt ") && Le32(h + 16) == 16 && Le16(h + 20) == WAVE_FORMAT_PCM &&
           (Le16(h + 22) == 1 || Le16(h + 22) == 2) && (bits == 8 || bits == 16) && rate >= 8000 &&
           rate <= 96000 && tag(36, "data");
}

bool IsKelvoRaw(const std::string& file) {
    std::string extension = std::filesystem::path(file).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".raw";
}

}  // namespace

ExitCode RunPlay(const PlayOptions& options, Output& out) {
    out.Data()["file"] = options.file;
    // Checked first, so that a file that is no sound at all is an input error.
    const SoundFacts facts = ProbeSound(options.file, options.file);
    std::optional<TemporaryDirectory> temporary;
    std::string played = options.file;
    if (!IsKelvoRaw(options.file) && !IsPlainPcmWave(options.file)) {
        temporary.emplace();
        played = (temporary->Path() / "play.wav").string();
        ConvertToPlayableWave(options.file, options.file, played);
    }
    out.Data()["converted"] = temporary.has_value();

    const std::u16string name = WideFileName(played);
    InitTonlet();
    HWAVEOUT handle = nullptr;
    StartPlay(name.c_str(), KelvoWaveFormat(), &handle);
    if (const DWORD error = LoadStatus(TL_Error)) {
        throw DeviceError(options.file, "cannot start playback", error);
    }
    // The player reports the end of the file (status 3); should that report be missed, the
    // wait ends some seconds after the file's length in real time.
    const double seconds = static_cast<double>(facts.frames) / facts.rate;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds) + kEndMargin;
    for (;;) {
        const DWORD status = LoadStatus(TL_PlayStatus);
        if (status == kPlayEndReached || status == kPlayStopped || LoadStatus(TL_Error) != 0 ||
            std::chrono::steady_clock::now() >= deadline) {
            break;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    StopPlay(handle);
    if (const DWORD error = LoadStatus(TL_Error)) {
        throw DeviceError(options.file, "playback failed", error);
    }
    out.Data()["seconds"] = seconds;
    out.Line("played " + options.file);
    return kExitSuccess;
}

}  // namespace kelvo_cli
