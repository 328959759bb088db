// The structures and types the library shares with the system's wave and file services have
// the original device's sizes and offsets: 32-bit x86 and 64-bit builds against the system's
// headers, and the platform layer's own headers on Linux (64-bit). Checked when this compiles.
#include <mmsystem.h>
#include <windows.h>

#include <cstddef>

namespace {

constexpr bool k64Bit = sizeof(void*) == 8;

static_assert(sizeof(BYTE) == 1 && sizeof(WORD) == 2 && sizeof(DWORD) == 4);
static_assert(sizeof(LONG) == 4 && sizeof(UINT) == 4 && sizeof(BOOL) == 4);
static_assert(sizeof(WCHAR) == 2 && sizeof(MMRESULT) == 4);
static_assert(sizeof(DWORD_PTR) == sizeof(void*) && sizeof(HWAVEIN) == sizeof(void*));

// Packed: callers store sizeof(WAVEFORMATEX), 18, in cbSize.
static_assert(sizeof(WAVEFORMATEX) == 18);
static_assert(offsetof(WAVEFORMATEX, wFormatTag) == 0);
static_assert(offsetof(WAVEFORMATEX, nChannels) == 2);
static_assert(offsetof(WAVEFORMATEX, nSamplesPerSec) == 4);
static_assert(offsetof(WAVEFORMATEX, nAvgBytesPerSec) == 8);
static_assert(offsetof(WAVEFORMATEX, nBlockAlign) == 12);
static_assert(offsetof(WAVEFORMATEX, wBitsPerSample) == 14);
static_assert(offsetof(WAVEFORMATEX, cbSize) == 16);

// Natural alignment: 32 bytes on 32-bit x86, 48 on 64-bit.
static_assert(sizeof(WAVEHDR) == (k64Bit ? 48 : 32));
static_assert(offsetof(WAVEHDR, lpData) == 0);
static_assert(offsetof(WAVEHDR, dwBufferLength) == (k64Bit ? 8 : 4));
static_assert(offsetof(WAVEHDR, dwBytesRecorded) == (k64Bit ? 12 : 8));
static_assert(offsetof(WAVEHDR, dwUser) == (k64Bit ? 16 : 12));
static_assert(offsetof(WAVEHDR, dwFlags) == (k64Bit ? 24 : 16));
static_assert(offsetof(WAVEHDR, dwLoops) == (k64Bit ? 28 : 20));
static_assert(offsetof(WAVEHDR, lpNext) == (k64Bit ? 32 : 24));
static_assert(offsetof(WAVEHDR, reserved) == (k64Bit ? 40 : 28));

}  // namespace
