// The profile "kelvo.cfg" of the working directory, read and rewritten line by line: one line
// per enrolment, "<speaker> <n> <45 values>". A line belongs to a speaker exactly when the
// library takes it as theirs: its first token is the name, looked for within the line's
// first kMaxProfileLineLength bytes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo_cli {

struct EnrolledSpeaker {
    std::string name;
    std::size_t enrolments = 0;  // lines in the profile
};

// The speaker a line belongs to, if any: its first token. Of a line longer than the limit
// only its first bytes are seen (`complete` false); a name that does not end within them
// belongs to no one.
std::optional<std::string_view> LineSpeaker(std::string_view line, bool complete);

// The speakers of the profile in the order of their first enrolment. A missing profile has
// none; anything but a regular file in its place, or a read error, throws CliError.
std::vector<EnrolledSpeaker> ReadSpeakers();

// Removes the speaker's lines from the profile and keeps every other byte, holding the
// directory's work lock: the new profile is written to a temporary file in the directory and
// renamed over "kelvo.cfg". Returns the lines removed; 0 leaves the profile untouched.
// Throws CliError (profile not written) when the profile is not a regular file, the lock is
// not had, or the rewrite fails.
std::size_t ForgetSpeaker(std::string_view speaker);

}  // namespace kelvo_cli
