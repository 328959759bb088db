// The calling thread's last error, as GetLastError reports it.
#include <windows.h>

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

}  // namespace

extern "C" DWORD GetLastError(void) {
    return lastError;
}

extern "C" void SetLastError(DWORD errorCode) {
    lastError = errorCode;
}
