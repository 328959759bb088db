// CloseHandle: closes whatever object the handle stands for.
#include <windows.h>

#include "handles.h"

extern "C" BOOL CloseHandle(HANDLE object) {
    const std::shared_ptr<platform::HandleObject> closed = platform::RemoveHandle(object);
    if (closed == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return closed->Close();
}
