// Opening the recording and playback files, and recognising a RIFF/WAVE header.
#include <cstring>

#include "kelvo/audio/error_word.h"
#include "kelvo/audio/wave_container.h"

namespace kelvo::audio {
namespace {

DWORD U32At(const unsigned char* bytes) {
    return DWORD{bytes[0]} | DWORD{bytes[1]} << 8 | DWORD{bytes[2]} << 16 | DWORD{bytes[3]} << 24;
}

WORD U16At(const unsigned char* bytes) {
    return static_cast<WORD>(bytes[0] | bytes[1] << 8);
}

bool TagAt(const unsigned char* bytes, int tag) {
    return std::memcmp(bytes, kWaveTags + 4 * tag, 4) == 0;
}

// Reads exactly `count` bytes into `into`; false when the read fails or comes up short.
bool ReadExactly(HANDLE file, unsigned char* into, DWORD count) {
    DWORD got = 0;
    return ReadFile(file, into, count, &got, nullptr) != FALSE && got == count;
}

// Recognises the header from the file's current position (its start). Each test reads only
// as far as it needs, and the file is never repositioned: playback starts where this stops.
void RecogniseHeader(HANDLE file, WAVEFORMATEX& format) {
    const WAVEFORMATEX passed = format;
    unsigned char header[kWaveHeaderBytes];
    if (!ReadExactly(file, header, 12) || !TagAt(header, 0) ||
        U32At(header + 4) != GetFileSize(file, nullptr) - 8 || !TagAt(header + 8, 1)) {
        return;
    }
    if (!ReadExactly(file, header + 12, 24) || !TagAt(header + 12, 2) || U32At(header + 16) != 16) {
        return;
    }
    format.wFormatTag = U16At(header + 20);
    format.nChannels = U16At(header + 22);
    format.nSamplesPerSec = U32At(header + 24);
    format.nAvgBytesPerSec = U32At(header + 28);
    format.nBlockAlign = U16At(header + 32);
    format.wBitsPerSample = U16At(header + 34);
    format.cbSize = sizeof(WAVEFORMATEX);
    if (!ReadExactly(file, header + 36, 8)) {
        return;  // the file's format stays
    }
    if (!TagAt(header + 36, 3)) {
        format = passed;
    }
}

}  // namespace

HANDLE OpenRegularFile(LPCWSTR name, DWORD disposition) {
    // The open itself never waits, not even on a FIFO; what it opened is checked after.
    HANDLE file =
        CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE && GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

HANDLE OpenWaveFile(LPCWSTR name, WAVEFORMATEX& format) {
    // Read and write access although the file is only read: a read-only file does not open.
    HANDLE file = OpenRegularFile(name, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) {
        SetError(KELVO_ERR_OPEN_FILE);
        return nullptr;
    }
    RecogniseHeader(file, format);
    return file;
}

}  // namespace kelvo::audio
