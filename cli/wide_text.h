// The library's wide strings (WCHAR is char16_t: UTF-16) to and from UTF-8.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace kelvo_cli {

// A file name for StartRecord / StartPlay; throws CliError (usage) for invalid UTF-8.
std::u16string WideFileName(const std::string& name);

// A text of the library (GetErrorString) for printing, converted by iconv; an unpaired
// surrogate shows as '?'.
std::string Utf8FromWide(const WCHAR* text);

}  // namespace kelvo_cli
