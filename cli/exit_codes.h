// The exit statuses of the kelvo command, and the error that carries one to main().
#pragma once

#include <stdexcept>
#include <string>

namespace kelvo_cli {

enum ExitCode : int {
    kExitSuccess = 0,         // done; for verify: accepted
    kExitRejected = 1,        // verify: the attempt was rejected
    kExitUsage = 2,           // unknown command or option, missing or invalid argument
    kExitInputFile = 3,       // an input file unreadable, not a sound file, or unsupported
    kExitUnknownSpeaker = 4,  // the speaker is not enrolled, or no speaker is
    kExitNotEnrolled = 5,     // enrol: no usable model vector, or takes that disagree; eval: no trial
    kExitAudioDevice = 6,     // recording or playback failed
    kExitPlot = 7,            // eval --plot: gnuplot missing or failed
    kExitSetUp = 8,           // a file or directory kelvo needs cannot be used (a fault, never
                              // a decision about a voice)
    kExitBusy = 9,            // the profile directory stayed busy with another call for 30 s
};

// The table printed by --help and kept in step with kelvo.1.
inline constexpr const char* kExitCodeHelp =
    "Exit status:\n"
    "  0  success; verify: accepted\n"
    "  1  verify: rejected\n"
    "  2  usage error\n"
    "  3  input file error (unreadable, not a sound file, unsupported)\n"
    "  4  unknown speaker, or no speakers enrolled\n"
    "  5  enrol: a recording gave no usable model vector (too little speech, no voice),\n"
    "     or the takes do not match one another; eval: no trial could be run\n"
    "  6  audio device error\n"
    "  7  eval --plot: gnuplot missing or failed\n"
    "  8  set-up fault: the profile directory, its lock kelvo.lock, a work file, the\n"
    "     profile, a temporary file or standard output cannot be used (not a regular\n"
    "     file, unreadable, a write failed, no space left)\n"
    "  9  the profile directory stayed busy with another call for 30 s\n";

// A failure that ends the command: its message (without the "kelvo: " prefix) goes to
// standard error and `code` becomes the exit status.
class CliError : public std::runtime_error {
  public:
    CliError(ExitCode code, const std::string& message)
        : std::runtime_error(message), code_(code) {}
    ExitCode Code() const { return code_; }

  private:
    ExitCode code_;
};

}  // namespace kelvo_cli
