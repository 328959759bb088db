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

// Little-endian fields, as RIFF files store them.
inline std::string Le32(std::uint32_t value) {
    return {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
            static_cast<char>(value >> 24)};
}

inline std::string Le16(std::uint16_t value) {
    return {static_cast<char>(value), static_cast<char>(value >> 8)};
}

inline std::uint32_t U32At(const std::string& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;) {
        value = value << 8 | static_cast<unsigned char>(bytes.at(offset + i));
    }
    return value;
}

inline std::uint16_t U16At(const std::string& bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes.at(offset)) |
                                      static_cast<unsigned char>(bytes.at(offset + 1)) << 8);
}

// A WAV file as other programs write it: the 44-byte RIFF/WAVE header for `format`, then
// `samples`.
inline std::string WaveFile(const std::string& samples, const WAVEFORMATEX& format) {
    const auto dataBytes = static_cast<std::uint32_t>(samples.size());
    return "RIFF" + Le32(36 + dataBytes) + "WAVEfmt " + Le32(16) + Le16(format.wFormatTag) +
           Le16(format.nChannels) + Le32(format.nSamplesPerSec) + Le32(format.nAvgBytesPerSec) +
           Le16(format.nBlockAlign) + Le16(format.wBitsPerSample) + "data" + Le32(dataBytes) +
           samples;
}

}  // namespace test_support
