// The checks every open makes on a format before any backend sees it.
#pragma once

#include <mmsystem.h>

namespace platform::audio {

// MMSYSERR_NOERROR for a well-formed PCM format (8 or 16 bits, at least one channel, a
// non-zero rate, block align = channels x bytes per sample), WAVERR_BADFORMAT otherwise.
MMRESULT CheckFormat(const WAVEFORMATEX& format);

}  // namespace platform::audio
