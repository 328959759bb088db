// Reads and writes of the working directory's files: the pipeline's list files,
// "states.txt" and the profile. Anyone may have put something else in their place, so every
// file is opened without blocking (a FIFO would otherwise block for ever) and without following
// a symbolic link, and anything but a regular file is refused.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "portable/files.h"

namespace kelvo {

// Opens a regular file with portable::OpenFile's `flags` (and `mode` when it creates one).
// -1 when it does not open or is not a regular file.
int OpenRegularFile(const char* name, unsigned flags, unsigned mode = 0644);

// The whole content of a regular file of at most maxBytes bytes; nothing when it does not
// open, cannot be read or is larger.
std::optional<std::string> ReadTextFile(const char* name, std::size_t maxBytes);

// Replaces the file by a new one holding the content: the content goes into a temporary file
// of an unpredictable name, created exclusively in the working directory, which is then
// renamed over the name. Whatever was there (a symbolic link, a FIFO) is replaced, never
// written through, and a reader sees the old or the new content, never a mix. True only when
// every byte was written and the rename done.
bool ReplaceTextFile(const char* name, std::string_view content);

// The start of the names of the temporaries that replace `name`: "<name>.kelvo-tmp.", which
// a random suffix of kTemporarySuffixLength letters and digits completes.
std::string TemporaryBase(std::string_view name);
inline constexpr std::size_t kTemporarySuffixLength = 12;

// Writes every byte at the file's offset (its end, when opened with O_APPEND).
bool WriteAll(int fd, std::string_view content);

// Calls onLine for every line read from fd up to the end of the file, without its '\n'. A
// line longer than maxLength is not kept whole: onLine gets its first maxLength bytes and
// `complete` false. Memory stays bounded whatever the file holds. False on a read error.
bool ForEachLine(int fd, std::size_t maxLength,
                 const std::function<void(std::string_view line, bool complete)>& onLine);

}  // namespace kelvo
