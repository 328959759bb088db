// Whole-file reads and writes for the small text files of the working directory: the
// pipeline's list files, "states.txt" and the profile.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvo {

// The file's whole content, or nothing when it does not open or cannot be read (a directory
// in its place, for instance).
std::optional<std::string> ReadTextFile(const char* name);

// Replaces the file's content. True only when every byte was written and the file closed.
bool WriteTextFile(const char* name, std::string_view content);

// Appends to the file, creating it if needed. True only when every byte was written and the
// file closed.
bool AppendTextFile(const char* name, std::string_view content);

}  // namespace kelvo
