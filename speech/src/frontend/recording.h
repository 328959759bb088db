// Recordings: 8-bit unsigned mono PCM (128 is silence), either raw or inside a RIFF/WAVE file.
// Each byte b becomes the sample b - 128, so samples lie in [-128, 127].
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace speech {

// A file that starts with "RIFF" is read as a RIFF/WAVE file: its chunks are walked, the
// "fmt " chunk must describe PCM, 1 channel, 8 bits per sample at sampleRate (rounded), and
// the samples are those of the "data" chunk, cut short at the end of the file. Anything else
// is raw samples. Returns SPEECH_OK, or SPEECH_ERR_FORMAT for a RIFF file that is not such a
// wave file. samples is replaced (its capacity is reused).
int DecodeRecording(std::string_view bytes, double sampleRate, std::vector<double>& samples);

// As DecodeRecording, or SPEECH_ERR_READ when the file cannot be read.
int ReadRecording(const std::string& path, double sampleRate, std::vector<double>& samples);

}  // namespace speech
