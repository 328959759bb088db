// Recordings: 8-bit unsigned mono PCM (128 is silence), either raw or inside a RIFF/WAVE file.
// Each byte b becomes the sample b - 128, so samples lie in [-128, 127].
#pragma once

#include <cstddef>
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

// The longest recording taken: 10 minutes at 11025 Hz, the rate the verification pipeline
// records at (a spoken password lasts seconds). It bounds the memory and time a run takes.
inline constexpr std::size_t kMaxRecordingSamples = 600 * 11025;
// A file larger than this is refused before it is read: the samples and room for the header
// of a wave file.
inline constexpr std::size_t kMaxRecordingFileBytes = kMaxRecordingSamples + 4096;

// As DecodeRecording, or SPEECH_ERR_READ when the file cannot be read: missing, not a regular
// file (nor a link to one), larger than kMaxRecordingFileBytes or holding more than
// kMaxRecordingSamples samples.
int ReadRecording(const std::string& path, double sampleRate, std::vector<double>& samples);

// Leaves in `file` (a recording file's content) only its samples' bytes, as DecodeRecording
// would decode them: SPEECH_OK, or SPEECH_ERR_FORMAT (and nothing left) for a RIFF file that is
// not such a wave file.
int KeepSampleBytes(std::string& file, double sampleRate);

// As ReadRecording, leaving the samples undecoded: one byte each, 128 for silence, as the
// file holds them. bytes is replaced.
int ReadRecordingBytes(const std::string& path, double sampleRate, std::string& bytes);

}  // namespace speech
