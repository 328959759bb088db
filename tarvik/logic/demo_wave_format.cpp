#include "demo_wave_format.h"

WAVEFORMATEX DemoWaveFormat() {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = 11025;
    format.wBitsPerSample = 8;
    // The block size comes first; the byte rate is derived from it.
    format.nBlockAlign = static_cast<WORD>(format.nChannels * format.wBitsPerSample / 8);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    // The size of the record itself, the value the library also sets when it takes a format
    // from a file header.
    format.cbSize = sizeof(WAVEFORMATEX);
    return format;
}
