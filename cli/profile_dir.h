// The profile directory: where the library keeps "kelvo.cfg" and its work files. The library
// works only in the process's working directory, so commands resolve their input paths first
// and then enter the profile directory.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "interrupt_cleanup.h"

namespace kelvo_cli {

// --dir when given, else $KELVO_DIR, else $XDG_DATA_HOME/kelvo, else ~/.local/share/kelvo
// (empty variables count as unset).
std::filesystem::path ProfileDirectory(const std::optional<std::string>& option);

// Makes `dir` the working directory, creating it (and its parents) first when `create` is
// set. Throws CliError: profile not written when it cannot be created or entered; without
// `create`, no speakers enrolled when it is missing.
void EnterProfileDirectory(const std::filesystem::path& dir, bool create);

// A claimed recording number in the working directory: "<n>.raw" created exclusively
// (O_CREAT | O_EXCL), so that two processes sharing the directory never write the same
// recording. Removing it also removes the "<n>.mfc" the speech library leaves behind.
//
// The claim is marked by "<n>.claim", created before "<n>.raw" and locked (flock) for as
// long as the slot is in use; it names the "<n>.raw" made for it. A slot whose marker no
// process holds was left by a killed call and is removed by the next claim; a "<n>.raw"
// without such a marker is never touched, as it may be a user's own recording. On an
// interrupt the slot is removed (see interrupt_cleanup.h).
class RecordingSlot {
  public:
    // Claims the lowest free n >= 1, skipping any n with a "<n>.raw", "<n>.mfc" or
    // "<n>.claim" already there. Throws CliError (set-up fault) when no file can be
    // created.
    RecordingSlot();
    ~RecordingSlot();
    RecordingSlot(const RecordingSlot&) = delete;
    RecordingSlot& operator=(const RecordingSlot&) = delete;

    int Number() const { return number_; }
    // The open file, for writing the recording; the caller takes it over (and closes it).
    int TakeFd();

  private:
    bool TryClaim(int n);

    int number_ = 0;
    int fd_ = -1;
    int claimFd_ = -1;
    RemoveOnInterrupt removeClaim_;
    RemoveOnInterrupt removeRecording_;
    RemoveOnInterrupt removeFeatures_;
};

}  // namespace kelvo_cli
