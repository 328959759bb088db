#include "kelvo/audio/error_word.h"

#include <atomic>

#include "kelvo/core/status_words.h"

namespace kelvo::audio {
namespace {

constexpr DWORD kRefusalCode = MMSYSERR_ALLOCATED;

// Set while the code in TL_Error is a refusal notice. Every other store clears it first, so
// a notice can at worst be taken for a failure (which stops a recording safely), never a
// failure for a notice, except a genuine code 4 racing a refusal.
std::atomic<bool> g_refusalStanding{false};

}  // namespace

void SetError(DWORD code) {
    g_refusalStanding.store(false);
    StoreStatus(TL_Error, code);
}

void SetErrorIfNone(DWORD code) {
    if (code == 0) {
        return;
    }
    DWORD expected = 0;
    if (std::atomic_ref<DWORD>(TL_Error).compare_exchange_strong(expected, code)) {
        g_refusalStanding.store(false);
    } else if (expected == kRefusalCode && g_refusalStanding.load()) {
        SetError(code);  // a refusal notice is no error to keep
    }
}

bool ErrorRecorded() {
    const DWORD code = LoadStatus(TL_Error);
    return code != 0 && !(code == kRefusalCode && g_refusalStanding.load());
}

void PostRefusal() {
    g_refusalStanding.store(true);
    StoreStatus(TL_Error, kRefusalCode);
}

void ClearRefusalNotice() {
    DWORD expected = kRefusalCode;
    if (g_refusalStanding.load() &&
        std::atomic_ref<DWORD>(TL_Error).compare_exchange_strong(expected, 0)) {
        g_refusalStanding.store(false);
    }
}

}  // namespace kelvo::audio
