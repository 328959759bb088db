// Audio formats and test signals shared by the tests that record and play.
#pragma once

#include <mmsystem.h>

#include <cstdint>
#include <string>

namespace test_support {

// PCM in the given layout; the default is 8-bit mono at 11025 Hz, the format kelvo records.
inline WAVEFORMATEX Pcm(DWORD rate = 11025, WORD bits = 8, WORD channels = 1) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = bits;
    format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    format.nAvgBytesPerSec = rate * format.nBlockAlign;
    format.cbSize = sizeof(WAVEFORMATEX);
    return format;
}

// A pattern that does not repeat within a few hundred kilobytes, so that lost, repeated or
// reordered bytes show.
inline std::string Pattern(std::size_t bytes, unsigned seed = 1) {
    std::string data(bytes, '\0');
    std::uint32_t state = seed * 2654435761u + 1;
    for (char& c : data) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    return data;
}

}  // namespace test_support
