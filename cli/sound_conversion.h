// Sound files in, the formats kelvo uses out: libsndfile reads whatever it can (WAV, FLAC,
// OGG, ...; a ".raw" file is kelvo's own headerless recording), the channels are mixed and
// libsamplerate changes the rate.
#pragma once

#include <filesystem>
#include <string>

#include "kelvo/core/feature_pipeline.h"

namespace kelvo_cli {

// kelvo's recordings: 8-bit unsigned mono PCM at 11025 Hz.
inline constexpr int kKelvoRate = 11025;

// The library's limit: it refuses a recording longer than 10 minutes at 11025 Hz, so no
// longer one is ever converted.
using kelvo::kMaxRecordingSamples;
using kelvo::kMaxRecordingSeconds;
static_assert(kMaxRecordingSamples == kMaxRecordingSeconds * kKelvoRate);

// The rate, channels and frames of an input as libsndfile reads it.
struct SoundFacts {
    int rate = 0;
    int channels = 0;
    long long frames = 0;
};

// Opens the input and reports its facts; throws CliError (input file error) naming `shown`
// when it cannot be read or is not a sound file.
SoundFacts ProbeSound(const std::filesystem::path& path, const std::string& shown);

// Whether the input's header says it lasts longer than a recording may; an unknown length
// (libsndfile's SF_COUNT_MAX) does not.
bool LongerThanARecording(const SoundFacts& facts);

// Throws CliError (input file error) naming `shown` when LongerThanARecording.
void RequireRecordingLength(const SoundFacts& facts, const std::string& shown);

// libsamplerate's sinc converters, from the widest band and dearest to the cheapest.
enum class Resampling { kBest, kMedium, kFastest };

// What recordings are converted with. The best converter spent most of a verification on
// the resampling alone (26 ms for 3 s at 16 kHz, 57 ms at 44.1 kHz); the medium one takes 7
// and 18 ms, and on real voices copied to 16 and 44.1 kHz it decided over 99 % of the trials
// as the best one did, every rate within 0.7 of a point. The fastest (4 and 8 ms) keeps only
// 80 % of the band below 5.5 kHz, where the top mel filters lie: it flipped three times as
// many decisions and moved the false rejections by 1.5 points. Measured with
// kelvo_conversion_timer and bench/accuracy/resampling_agreement.py.
inline constexpr Resampling kRecordingResampling = Resampling::kMedium;

// Writes the input to `fd` as a kelvo recording: channels mixed to mono, resampled to
// 11025 Hz with `resampling`, rounded and clamped to 8-bit unsigned, no header. A kelvo
// ".raw" recording comes out byte for byte as it went in. Closes `fd`. Throws
// CliError: input file error for the input, also before anything is written when its header
// says it is longer than a recording may be, and as soon as the output passes
// kMaxRecordingSamples when the header did not tell; set-up fault for the output.
void ConvertToKelvoRecording(const std::filesystem::path& path, const std::string& shown, int fd,
                             Resampling resampling = kRecordingResampling);

// Writes the input as a 16-bit PCM WAV that the player takes: one or two channels kept
// (more mixed to mono), a rate outside 8000 to 96000 Hz resampled to 48000 Hz with the best
// converter: this is for a listener, and so rare that its cost does not matter.
void ConvertToPlayableWave(const std::filesystem::path& path, const std::string& shown,
                           const std::filesystem::path& out);

}  // namespace kelvo_cli
