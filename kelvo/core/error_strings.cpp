// Texts of the error codes held in TL_Error: 0 and 2 to 20 are the platform's multimedia
// result codes, 21 to 26 the library's own; everything else is unspecified.
#include <array>

#include "kelvo/kelvo.h"

namespace {

constexpr const WCHAR* kUnspecified = u"Unspecified Error.";

constexpr std::array<const WCHAR*, 27> kErrorTexts = {
    u"No error.",
    kUnspecified,
    u"Device ID out of range.",
    u"Driver failed enable.",
    u"Device already allocated.",
    u"Device handle is invalid.",
    u"No device driver present.",
    u"Memory allocation error.",
    u"Function isn't supported.",
    u"Error value out of range.",
    u"Invalid flag passed.",
    u"Invalid parameter passed.",
    u"Handle being used simultaneously on another thread (eg. callback).",
    u"Specified alias not found.",
    u"Bad registry database.",
    u"Registry key not found.",
    u"Registry read error.",
    u"Registry write error.",
    u"Registry delete error.",
    u"Registry value not found.",
    u"Driver does not call DriverCallback.",
    u"No sound devices present.",
    u"Memory full.",
    u"Error on creating file.",
    u"Error on write to file.",
    u"Error on opening file.",
    u"Error on read from file.",
};

}  // namespace

extern "C" const WCHAR* GetErrorString(DWORD code) {
    return code < kErrorTexts.size() ? kErrorTexts[code] : kUnspecified;
}
