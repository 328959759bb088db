// A fresh directory under the system's temporary directory, removed with its content; also
// when the command is interrupted (see interrupt_cleanup.h). It holds a marker, locked while
// the directory is in use, so that one left by a killed call is removed by the next one made.
#pragma once

#include <filesystem>

#include "interrupt_cleanup.h"

namespace kelvo_cli {

class TemporaryDirectory {
  public:
    // Removes the stale directories of kelvo's first. Throws CliError (set-up fault) when
    // it cannot be made.
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
    int markerFd_ = -1;
    RemoveOnInterrupt removal_;
};

// The name of the marker in each of them.
inline constexpr const char* kTemporaryMarker = ".kelvo-in-use";

// Removes the directories "kelvo-XXXXXX" in `parent` that belong to this user and hold a
// stale marker: those kelvo made and a killed call left behind. No other is touched.
void RemoveStaleTemporaryDirectories(const std::filesystem::path& parent);

}  // namespace kelvo_cli
