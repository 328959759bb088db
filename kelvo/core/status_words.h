// Atomic access to the exported status words. The words are plain DWORDs so that callers can
// read them as data, but the library writes them from the caller's thread and from the audio
// callback threads; every access inside the library therefore goes through std::atomic_ref.
#pragma once

#include <atomic>

#include "kelvo/kelvo.h"

namespace kelvo {

static_assert(std::atomic_ref<DWORD>::is_always_lock_free);
static_assert(alignof(DWORD) >= std::atomic_ref<DWORD>::required_alignment);

inline DWORD LoadStatus(DWORD& word) {
    return std::atomic_ref<DWORD>(word).load();
}

inline void StoreStatus(DWORD& word, DWORD value) {
    std::atomic_ref<DWORD>(word).store(value);
}

// Stores `value` only while the word still holds `expected`: a callback thread that reported
// something meanwhile keeps its report.
inline void StoreStatusUnlessChanged(DWORD& word, DWORD expected, DWORD value) {
    std::atomic_ref<DWORD>(word).compare_exchange_strong(expected, value);
}

}  // namespace kelvo
