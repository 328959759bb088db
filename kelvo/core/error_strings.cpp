// Texts of the error codes held in TL_Error: 0 and 2 to 20 are the platform's multimedia
// result codes, 21 to 26 the library's own; everything else is unspecified.
#include <array>

#include "kelvo/kelvo.h"

namespace {

constexpr const WCHAR* kUnspecified = TEXT("Unspecified Error.");

constexpr std::array<const WCHAR*, 27> kErrorTexts = {
    TEXT("No error."),
    kUnspecified,
    TEXT("Device ID out of range."),
    TEXT("Driver failed enable."),
    TEXT("Device already allocated."),
    TEXT("Device handle is invalid."),
    TEXT("No device driver present."),
    TEXT("Memory allocation error."),
    TEXT("Function isn't supported."),
    TEXT("Error value out of range."),
    TEXT("Invalid flag passed."),
    TEXT("Invalid parameter passed."),
    TEXT("Handle being used simultaneously on another thread (eg. callback)."),
    TEXT("Specified alias not found."),
    TEXT("Bad registry database."),
    TEXT("Registry key not found."),
    TEXT("Registry read error."),
    TEXT("Registry write error."),
    TEXT("Registry delete error."),
    TEXT("Registry value not found."),
    TEXT("Driver does not call DriverCallback."),
    TEXT("No sound devices present."),
    TEXT("Memory full."),
    TEXT("Error on creating file."),
    TEXT("Error on write to file."),
    TEXT("Error on opening file."),
    TEXT("Error on read from file."),
};

}  // namespace

extern "C" const WCHAR* GetErrorString(DWORD code) {
    return code < kErrorTexts.size() ? kErrorTexts[code] : kUnspecified;
}
