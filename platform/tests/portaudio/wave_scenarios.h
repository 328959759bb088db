// Child-process scenarios through the layer's wave calls (libplatform.so) on the sound-device
// backend: the path kelvo takes.
#pragma once

#include <string>

namespace portaudio_test {

// Records BYTES bytes into two buffers from input device 0 (8-bit mono 11025 Hz) with
// waveIn* and writes them to file OUT.
int WaveCapture(std::size_t bytes, const std::string& out);
// Plays file IN on output device 0 with waveOut*.
int WavePlay(const std::string& in);

}  // namespace portaudio_test
