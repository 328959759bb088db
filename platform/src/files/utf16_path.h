// File names: the 16-bit names of the file services converted to the UTF-8 paths of Linux.
#pragma once

#include <optional>
#include <string>

#include <windows.h>

namespace platform {

// The UTF-8 path for a NUL-terminated UTF-16 name. Relative names stay relative, so they
// resolve against the working directory; '\' is an ordinary character, not a separator.
// Fails, with the last error set, for NULL (ERROR_INVALID_PARAMETER), an empty name
// (ERROR_PATH_NOT_FOUND) and a name with an unpaired surrogate (ERROR_INVALID_NAME).
std::optional<std::string> PathFromName(LPCWSTR name);

}  // namespace platform
