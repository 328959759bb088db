/* Waveform audio of the platform layer, shaped like the original device's multimedia header:
 * the same names, values, field order and signatures, and the same documented behaviour.
 * Usable from C and C++.
 *
 * Devices are opened with a callback function (CALLBACK_FUNCTION), which receives WIM_OPEN /
 * WOM_OPEN inside the open call, WIM_CLOSE / WOM_CLOSE inside the close call, and WIM_DATA /
 * WOM_DONE one at a time, in order, on one delivery thread per device, for every buffer the
 * device is done with (WHDR_DONE set, dwBytesRecorded filled). A callback may prepare, add or
 * write, and unprepare buffers of its own device.
 *
 * CloseHandle on a wave handle is a forced close: capture or output stops, every buffer still
 * queued comes back once through the callback marked done, no WIM_CLOSE / WOM_CLOSE follows,
 * no callback is made once it has returned, and the handle is invalid from then on
 * (MMSYSERR_INVALHANDLE), also for a second CloseHandle. It may be called from inside the
 * device's own callback.
 *
 * Devices: the machine's sound devices, or the virtual device when the environment variable
 * KELVO_VIRTUAL_AUDIO is set (see docs/virtual-audio.md). */
#ifndef PLATFORM_MMSYSTEM_H
#define PLATFORM_MMSYSTEM_H

#include <windows.h>

typedef UINT MMRESULT;

/* Opaque device handles: distinct pointer types, so an input handle cannot be passed where
 * an output handle is expected. */
typedef struct HWAVEIN__* HWAVEIN;
typedef struct HWAVEOUT__* HWAVEOUT;
typedef HWAVEIN* LPHWAVEIN;
typedef HWAVEOUT* LPHWAVEOUT;

/* Result codes. */
#define MMSYSERR_NOERROR 0
#define MMSYSERR_ERROR 1
#define MMSYSERR_BADDEVICEID 2
#define MMSYSERR_NOTENABLED 3
#define MMSYSERR_ALLOCATED 4
#define MMSYSERR_INVALHANDLE 5
#define MMSYSERR_NODRIVER 6
#define MMSYSERR_NOMEM 7
#define MMSYSERR_NOTSUPPORTED 8
#define MMSYSERR_BADERRNUM 9
#define MMSYSERR_INVALFLAG 10
#define MMSYSERR_INVALPARAM 11
#define MMSYSERR_HANDLEBUSY 12
#define MMSYSERR_INVALIDALIAS 13
#define MMSYSERR_BADDB 14
#define MMSYSERR_KEYNOTFOUND 15
#define MMSYSERR_READERROR 16
#define MMSYSERR_WRITEERROR 17
#define MMSYSERR_DELETEERROR 18
#define MMSYSERR_VALNOTFOUND 19
#define MMSYSERR_NODRIVERCB 20
#define WAVERR_BADFORMAT 32
#define WAVERR_STILLPLAYING 33
#define WAVERR_UNPREPARED 34
#define WAVERR_SYNC 35

/* Callback messages. */
#define MM_WOM_OPEN 0x3BB
#define MM_WOM_CLOSE 0x3BC
#define MM_WOM_DONE 0x3BD
#define MM_WIM_OPEN 0x3BE
#define MM_WIM_CLOSE 0x3BF
#define MM_WIM_DATA 0x3C0
#define WOM_OPEN MM_WOM_OPEN
#define WOM_CLOSE MM_WOM_CLOSE
#define WOM_DONE MM_WOM_DONE
#define WIM_OPEN MM_WIM_OPEN
#define WIM_CLOSE MM_WIM_CLOSE
#define WIM_DATA MM_WIM_DATA

/* Buffer flags. */
#define WHDR_DONE 0x00000001u
#define WHDR_PREPARED 0x00000002u
#define WHDR_BEGINLOOP 0x00000004u
#define WHDR_ENDLOOP 0x00000008u
#define WHDR_INQUEUE 0x00000010u

/* Open flags and device ids. */
#define WAVE_MAPPER \
    0xFFFFFFFFu /* (UINT)-1, written without a cast so C++ callers stay warning-free */
#define WAVE_FORMAT_QUERY 0x00000001u
#define CALLBACK_TYPEMASK 0x00070000u
#define CALLBACK_NULL 0x00000000u
#define CALLBACK_FUNCTION 0x00030000u

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

/* One audio block. */
typedef struct wavehdr_tag {
    LPSTR lpData;
    DWORD dwBufferLength;
    DWORD dwBytesRecorded;
    DWORD_PTR dwUser;
    DWORD dwFlags;
    DWORD dwLoops;
    struct wavehdr_tag* lpNext;
    DWORD_PTR reserved;
} WAVEHDR, *PWAVEHDR, *LPWAVEHDR;

/* The callback function passed as dwCallback with CALLBACK_FUNCTION: (device, message,
 * instance, first parameter (the WAVEHDR for WIM_DATA / WOM_DONE), second parameter). */
typedef void(CALLBACK* LPWAVECALLBACK)(HANDLE device, UINT message, DWORD_PTR instance,
                                       DWORD_PTR param1, DWORD_PTR param2);

#ifdef __cplusplus
extern "C" {
#endif

PLATFORM_API UINT waveInGetNumDevs(void);
PLATFORM_API MMRESULT waveInOpen(LPHWAVEIN handle, UINT deviceId, LPCWAVEFORMATEX format,
                                 DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
PLATFORM_API MMRESULT waveInClose(HWAVEIN handle);
PLATFORM_API MMRESULT waveInPrepareHeader(HWAVEIN handle, LPWAVEHDR header, UINT size);
PLATFORM_API MMRESULT waveInUnprepareHeader(HWAVEIN handle, LPWAVEHDR header, UINT size);
PLATFORM_API MMRESULT waveInAddBuffer(HWAVEIN handle, LPWAVEHDR header, UINT size);
PLATFORM_API MMRESULT waveInStart(HWAVEIN handle);
PLATFORM_API MMRESULT waveInStop(HWAVEIN handle);
PLATFORM_API MMRESULT waveInReset(HWAVEIN handle);

PLATFORM_API UINT waveOutGetNumDevs(void);
PLATFORM_API MMRESULT waveOutOpen(LPHWAVEOUT handle, UINT deviceId, LPCWAVEFORMATEX format,
                                  DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
PLATFORM_API MMRESULT waveOutClose(HWAVEOUT handle);
PLATFORM_API MMRESULT waveOutPrepareHeader(HWAVEOUT handle, LPWAVEHDR header, UINT size);
PLATFORM_API MMRESULT waveOutUnprepareHeader(HWAVEOUT handle, LPWAVEHDR header, UINT size);
PLATFORM_API MMRESULT waveOutWrite(HWAVEOUT handle, LPWAVEHDR header, UINT size);
PLATFORM_API MMRESULT waveOutReset(HWAVEOUT handle);

#ifdef __cplusplus
}
#endif

#endif /* PLATFORM_MMSYSTEM_H */
