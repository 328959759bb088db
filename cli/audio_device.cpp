#include "audio_device.h"

#include "wide_text.h"

namespace kelvo_cli {

WAVEFORMATEX KelvoWaveFormat() {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = 11025;
    format.nAvgBytesPerSec = 11025;
    format.nBlockAlign = 1;
    format.wBitsPerSample = 8;
    format.cbSize = sizeof(WAVEFORMATEX);
    return format;
}

CliError DeviceError(const std::string& file, const std::string& what, DWORD code) {
    return CliError(kExitAudioDevice, file + ": " + what + ": " +
                                          Utf8FromWide(GetErrorString(code)) + " (code " +
                                          std::to_string(code) + ")");
}

}  // namespace kelvo_cli
