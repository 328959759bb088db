// The one audio format the demo records and plays in: 8-bit mono PCM at 11025 samples/s.
#pragma once

#include <mmsystem.h>

WAVEFORMATEX DemoWaveFormat();
