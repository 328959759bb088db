#include "wave_format_check.h"

namespace platform::audio {

MMRESULT CheckFormat(const WAVEFORMATEX& format) {
    if (format.wFormatTag != WAVE_FORMAT_PCM || format.nChannels == 0 ||
        format.nSamplesPerSec == 0) {
        return WAVERR_BADFORMAT;
    }
    if (format.wBitsPerSample != 8 && format.wBitsPerSample != 16) {
        return WAVERR_BADFORMAT;
    }
    const unsigned expectedAlign = unsigned{format.nChannels} * (format.wBitsPerSample / 8u);
    if (format.nBlockAlign == 0 || format.nBlockAlign != expectedAlign) {
        return WAVERR_BADFORMAT;
    }
    return MMSYSERR_NOERROR;
}

}  // namespace platform::audio
