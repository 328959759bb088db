// The audio blocks of the recorder and the player: one WAVEHDR with a 4096-byte data area,
// allocated for each queueing and freed once the device has returned it. There is no pool.
#pragma once

#include <mmsystem.h>

namespace kelvo::audio {

inline constexpr DWORD kBlockBytes = 4096;

// A header with dwFlags 0, dwBufferLength 4096 and a fresh data area; every other field 0.
// nullptr when either allocation fails.
WAVEHDR* AllocateBlock();

// Frees the data area and the header; accepts nullptr.
void FreeBlock(WAVEHDR* block);

namespace testing {
// Makes the `nth` next AllocateBlock (1 = the very next) fail as if memory were full, so
// tests can reach the library's out-of-memory paths. 0 cancels.
void FailBlockAllocation(unsigned nth);
}  // namespace testing

}  // namespace kelvo::audio
