// The speaker profile "kelvo.cfg": one line per enrolled recording, in the order enrolled,
// "<speaker> <n> " followed by the 45 values of its model vector, each in "%le " form, and a
// line feed. The file is only ever appended to, and read line by line in bounded memory.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "kelvo/core/call_reason.h"
#include "kelvo/core/model_vector.h"

namespace kelvo {

inline constexpr const char* kProfileFile = "kelvo.cfg";

// Names longer than this cannot be stored: readers of the profile take names into a buffer of
// 1024 bytes.
inline constexpr std::size_t kMaxSpeakerNameLength = 1023;

// The longest profile line read, without its line feed. A line kelvo writes is at most the
// name plus about 1100 bytes; a longer one is damaged and never held in memory whole.
inline constexpr std::size_t kMaxProfileLineLength = 64 * 1024;

// A name can be stored and read back when it is one token: not null, not empty, no white
// space, at most kMaxSpeakerNameLength bytes.
bool IsStorableSpeakerName(const char* speaker);

std::string FormatProfileLine(std::string_view speaker, int n, const ModelVector& vector);

// Appends the line for recording n, on a line of its own even when the profile does not end
// in a line feed, and reads the profile back. kDone only when the profile is a regular file
// (not a link, FIFO or directory), the line was written in full and reading the profile back
// gives it as the speaker's last line, with a readable first line. When the speaker's first
// line is damaged nothing is written (kEnrolmentUnreadable): a new line would not mend it.
// When the write or the check fails, the profile is cut back to the length it had, so that a
// failed append leaves it byte for byte as it was (kProfileNotWritten). kProfileUnusable when
// it cannot be opened, created or read. A profile the library creates is its owner's alone
// (mode 0600).
CallReason AppendProfileLine(std::string_view speaker, int n, const ModelVector& vector);

// The enrolment a verification compares against: the vector of the speaker's first line and
// that of the last later line. A line whose vector cannot be read in full, holds a value
// outside [kMinFeatureValue, kMaxFeatureValue] or is longer than kMaxProfileLineLength gives
// no vector; so does a missing line.
struct EnrolledVectors {
    std::optional<ModelVector> first;
    std::optional<ModelVector> second;
    int lines = 0;  // the speaker's lines in the profile

    // Whether both vectors are there to compare against.
    bool Complete() const { return first.has_value() && second.has_value(); }
};

// Selects the speaker's vectors from the profile's text. Names compare byte for byte. A
// speaker with a single line has that line's vector as both enrolments.
EnrolledVectors ParseProfile(std::string_view profile, std::string_view speaker);

// ParseProfile on "kelvo.cfg", read line by line; a missing profile has no lines. Nothing
// when anything but a regular file is in its place or it cannot be read.
std::optional<EnrolledVectors> ReadProfile(std::string_view speaker);

}  // namespace kelvo
