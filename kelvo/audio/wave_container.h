// The recording file's container: raw samples, or a 44-byte RIFF/WAVE header followed by the
// samples. The recorder writes the header and patches its sizes at close; the player
// recognises it and plays with the format it stores.
#pragma once

#include <atomic>

#include <mmsystem.h>

namespace kelvo::audio {

// The four tags of the header, in the order of the file: "RIFF", "WAVE", "fmt ", "data".
// Writer and reader take their tags from this one constant.
inline constexpr char kWaveTags[] = "RIFFWAVEfmt data";
inline constexpr DWORD kWaveHeaderBytes = 44;

// The header's bookkeeping, part of the recorder's state. WriteWaveHeader starts it, the
// recorder's appends count the sample bytes, PatchWaveSizes writes the sizes from it. Atomic
// because the header, the appends and the patch may each run on a different thread, one
// after another.
struct WaveHeaderSizes {
    std::atomic<DWORD> riffSize{0};        // 36 once the header is written
    std::atomic<DWORD> riffSizeOffset{0};  // 4
    std::atomic<DWORD> dataSizeOffset{0};  // 40 once the header is written
    std::atomic<DWORD> dataBytes{0};       // sample bytes appended since the header

    // Counts appended sample bytes; a size that no longer fits 32 bits stays at the maximum.
    void AddDataBytes(DWORD bytes);
};

// Writes the 44-byte header with `format` at the file's current position (the start of a
// fresh file) and resets `sizes`. False when a write fails or is short; whatever part was
// written stays.
bool WriteWaveHeader(HANDLE file, const WAVEFORMATEX& format, WaveHeaderSizes& sizes);

// Writes the RIFF size (36 + sample bytes) and the data size into a header written by
// WriteWaveHeader. Failures are silent: the file keeps whatever size fields it had.
void PatchWaveSizes(HANDLE file, const WaveHeaderSizes& sizes);

// Opens `name` with read and write access and `disposition` (CreateFileW's) when it is a
// regular file, or a link to one. Anything else (a FIFO, socket, device or directory) is
// refused at once, without blocking and without a byte read or written: it gives
// INVALID_HANDLE_VALUE as a file that does not open does. A FIFO would block the recorder's
// writes or the player's reads for good, and a device never ends.
HANDLE OpenRegularFile(LPCWSTR name, DWORD disposition);

// Opens `name` for playback (read and write access, so a read-only file does not open). When
// the file starts with a complete RIFF/WAVE header (a RIFF size matching the file's length, a
// 16-byte fmt chunk directly followed by "data"), `format` becomes the file's format with
// cbSize 18; otherwise `format` is left as passed. The file is never repositioned: playback
// starts where recognition stopped reading. That is byte 44 for a recognised header and
// byte 12 for a raw recording; a RIFF/WAVE file with another fmt chunk stops at byte 36, one
// whose fmt chunk is not followed by "data" at byte 44, a file cut short at its end. A file
// that does not open or is not a regular file (OpenRegularFile) sets TL_Error to 25 and gives
// nullptr.
HANDLE OpenWaveFile(LPCWSTR name, WAVEFORMATEX& format);

}  // namespace kelvo::audio
