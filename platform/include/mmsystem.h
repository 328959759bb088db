/* Waveform audio types of the platform layer, shaped like the original device's multimedia
 * header: the same names, field order and widths. Usable from C and C++. */
#ifndef PLATFORM_MMSYSTEM_H
#define PLATFORM_MMSYSTEM_H

#include <windows.h>

typedef UINT MMRESULT;

/* Opaque device handles: distinct pointer types, so an input handle cannot be passed where
 * an output handle is expected. */
typedef struct HWAVEIN__* HWAVEIN;
typedef struct HWAVEOUT__* HWAVEOUT;

#define WAVE_FORMAT_PCM 1

/* The audio format record. Packed to 18 bytes as on the original platform, where callers
 * store sizeof(WAVEFORMATEX) in cbSize. */
#pragma pack(push, 1)
typedef struct tWAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
} WAVEFORMATEX;
#pragma pack(pop)

typedef WAVEFORMATEX* LPWAVEFORMATEX;
typedef const WAVEFORMATEX* LPCWAVEFORMATEX;

#endif /* PLATFORM_MMSYSTEM_H */
