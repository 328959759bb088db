// The objects behind the layer's handles: open files and wave devices. A handle is a number
// handed out once and never again, so a stale or forged handle is recognised as invalid
// instead of leading to freed memory.
#pragma once

#include <memory>

#include <windows.h>

namespace platform {

class HandleObject {
  public:
    virtual ~HandleObject() = default;
    // What CloseHandle does for this kind of object. The handle has already been removed.
    virtual BOOL Close() = 0;
};

// Registers an object and returns its new handle (never NULL or INVALID_HANDLE_VALUE).
HANDLE AddHandle(std::shared_ptr<HandleObject> object);

// The object behind a handle, or nullptr for a handle that is not (or no longer) open.
std::shared_ptr<HandleObject> FindHandle(HANDLE handle);

template <typename T>
std::shared_ptr<T> FindHandleAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(FindHandle(handle));
}

// Unregisters a handle and returns its object, or nullptr when it was not open.
std::shared_ptr<HandleObject> RemoveHandle(HANDLE handle);

}  // namespace platform
