// Markers of work in progress, for finding what a killed process left behind: the process
// using something holds an exclusive lock (flock) on its marker file for as long as it does,
// and the lock goes with the process however it ends. A marker that can be locked, that is
// still the file at its name and that holds kelvo's tag was left by a process that ended
// without removing what it marks.
#pragma once

#include <string>
#include <string_view>

namespace kelvo_cli {

// Creates the marker `path` exclusively (mode 0600, close-on-exec), locks it and writes
// `content`, which starts with the tag a sweep looks for. Returns the descriptor, to be held
// open while the marked thing is in use, or -1 with errno set (EEXIST: `path` is there).
// Nothing is left at `path` on failure, except what was there before.
int CreateMarker(const std::string& path, std::string_view content);

// Replaces the marker's content (it only ever grows). False when it cannot be written.
bool RewriteMarker(int fd, std::string_view content);

// A marker that no process holds, locked by this one while the sweep removes what it marks.
class StaleMarker {
  public:
    // Locks `path` without waiting when it is a regular file of this user, no process holds
    // it, it is still the file at that name once locked, and its content starts with `tag`;
    // otherwise Found() is false and nothing was changed.
    StaleMarker(const std::string& path, std::string_view tag);
    ~StaleMarker();
    StaleMarker(const StaleMarker&) = delete;
    StaleMarker& operator=(const StaleMarker&) = delete;

    bool Found() const { return fd_ >= 0; }
    // The marker's content after the tag.
    const std::string& Details() const { return details_; }

  private:
    int fd_ = -1;
    std::string details_;
};

}  // namespace kelvo_cli
