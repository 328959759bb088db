#include "kelvo/core/profile_store.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "kelvo/core/number_text.h"
#include "kelvo/core/text_file.h"

namespace kelvo {
namespace {

// The first token of a line, and the text after it.
std::pair<std::string_view, std::string_view> SplitFirstToken(std::string_view line) {
    const auto begin = std::find_if_not(line.begin(), line.end(), IsSpace);
    const auto end = std::find_if(begin, line.end(), IsSpace);
    return {std::string_view(begin, end), std::string_view(end, line.end())};
}

// The recording number and the model vector that follow the name on a profile line.
std::optional<ModelVector> ParseLineVector(std::string_view rest) {
    NumberScanner scanner(rest);
    int recordingNumber = 0;
    ModelVector vector{};
    if (!scanner.ReadInt(recordingNumber)) {
        return std::nullopt;
    }
    for (double& value : vector) {
        if (!scanner.ReadDouble(value)) {
            return std::nullopt;
        }
    }
    if (!AllInRange(vector)) {
        return std::nullopt;
    }
    return vector;
}

// Whether the line belongs to the speaker. Of a line longer than kMaxProfileLineLength only
// its first bytes are seen (`complete` false); it is the speaker's when the name ends within them.
bool IsSpeakersLine(std::string_view line, bool complete, std::string_view speaker) {
    const auto [name, rest] = SplitFirstToken(line);
    if (!complete && rest.empty()) {
        return false;  // the name may go on beyond the bytes seen
    }
    return !name.empty() && name == speaker;
}

// Takes the profile's lines one at a time, in order.
class ProfileScan {
  public:
    explicit ProfileScan(std::string_view speaker) : speaker_(speaker) {}

    void Add(std::string_view line, bool complete) {
        if (!IsSpeakersLine(line, complete, speaker_)) {
            return;
        }
        ++enrolled_.lines;
        (enrolled_.lines == 1 ? enrolled_.first : enrolled_.second) =
            complete ? ParseLineVector(SplitFirstToken(line).second) : std::nullopt;
    }

    EnrolledVectors Result() const {
        EnrolledVectors enrolled = enrolled_;
        if (enrolled.lines == 1) {
            enrolled.second = enrolled.first;
        }
        return enrolled;
    }

  private:
    std::string_view speaker_;
    EnrolledVectors enrolled_;
};

// The mode of a profile the library creates: voice templates are private.
constexpr unsigned kProfileMode = 0600;

enum class ProfileOpen { kOpened, kMissing, kUnusable };

// Opens "kelvo.cfg" for reading and calls onLine for each of its lines.
ProfileOpen ForEachProfileLine(const std::function<void(std::string_view, bool)>& onLine) {
    portable::OpenResult result = portable::OpenResult::kRefused;
    const int fd = portable::OpenFile(kProfileFile, portable::kRead, kProfileMode, &result);
    if (fd < 0) {
        return result == portable::OpenResult::kMissing ? ProfileOpen::kMissing
                                                        : ProfileOpen::kUnusable;
    }
    const bool read = portable::IsRegularFile(fd) && ForEachLine(fd, kMaxProfileLineLength, onLine);
    portable::CloseFile(fd);
    return read ? ProfileOpen::kOpened : ProfileOpen::kUnusable;
}

// Whether, read back, the profile's last line of the speaker is exactly `expected` (without
// line feed) and the speaker's first line gives a vector.
bool AppendedLineReadsBack(std::string_view speaker, std::string_view expected) {
    ProfileScan scan(speaker);
    std::optional<std::string> last;
    const ProfileOpen open = ForEachProfileLine([&](std::string_view line, bool complete) {
        scan.Add(line, complete);
        if (IsSpeakersLine(line, complete, speaker)) {
            last = complete ? std::optional<std::string>(line) : std::nullopt;
        }
    });
    return open == ProfileOpen::kOpened && last == expected && scan.Result().first.has_value();
}

// Whether the file's last byte is a line feed; true for an empty file.
bool EndsInLineFeed(int fd, std::int64_t size) {
    if (size == 0) {
        return true;
    }
    char last = '\0';
    return portable::ReadAt(fd, &last, 1, size - 1) && last == '\n';
}

// Writes the line at the end of the open profile of `size` bytes, reads it back and on any
// failure cuts the profile back to `size`.
CallReason AppendAndCheck(int fd, std::int64_t size, std::string_view speaker,
                          std::string_view line) {
    // A profile cut off within a line would otherwise glue the new line to the broken one.
    // One write of the whole text, so that it is rarely split.
    std::string text;
    text.reserve(line.size() + 1);
    if (!EndsInLineFeed(fd, size)) {
        text += '\n';
    }
    text += line;
    const bool written = WriteAll(fd, text) && portable::FlushFile(fd) &&
                         AppendedLineReadsBack(speaker, line.substr(0, line.size() - 1));
    if (written) {
        return CallReason::kDone;
    }
    portable::TruncateFile(fd, size);
    portable::FlushFile(fd);
    return CallReason::kProfileNotWritten;
}

}  // namespace

bool IsStorableSpeakerName(const char* speaker) {
    if (speaker == nullptr) {
        return false;
    }
    const std::size_t length = strnlen(speaker, kMaxSpeakerNameLength + 1);
    const std::string_view name(speaker, length);
    return length > 0 && length <= kMaxSpeakerNameLength &&
           std::none_of(name.begin(), name.end(), IsSpace);
}

std::string FormatProfileLine(std::string_view speaker, int n, const ModelVector& vector) {
    std::string line;
    line.reserve(speaker.size() + 16 + kFeatureCount * 15);
    line += speaker;
    line += ' ';
    AppendDecimal(line, n);
    line += ' ';
    for (double value : vector) {
        AppendScientific(line, value);
        line += ' ';
    }
    line += '\n';
    return line;
}

CallReason AppendProfileLine(std::string_view speaker, int n, const ModelVector& vector) {
    const std::optional<EnrolledVectors> enrolled = ReadProfile(speaker);
    if (!enrolled) {
        return CallReason::kProfileUnusable;
    }
    if (enrolled->lines > 0 && !enrolled->first) {
        return CallReason::kEnrolmentUnreadable;
    }
    const int fd = OpenRegularFile(
        kProfileFile, portable::kReadWrite | portable::kCreate | portable::kAppend, kProfileMode);
    std::int64_t size = 0;
    if (fd < 0 || !portable::IsRegularFile(fd, &size)) {
        if (fd >= 0) {
            portable::CloseFile(fd);
        }
        return CallReason::kProfileUnusable;
    }
    const CallReason reason =
        AppendAndCheck(fd, size, speaker, FormatProfileLine(speaker, n, vector));
    // The line was flushed and read back (or cut away) before: closing has nothing to report.
    portable::CloseFile(fd);
    return reason;
}

EnrolledVectors ParseProfile(std::string_view profile, std::string_view speaker) {
    ProfileScan scan(speaker);
    while (!profile.empty()) {
        const std::size_t lineEnd = std::min(profile.find('\n'), profile.size());
        const std::string_view line = profile.substr(0, lineEnd);
        scan.Add(line.substr(0, kMaxProfileLineLength), line.size() <= kMaxProfileLineLength);
        profile.remove_prefix(std::min(lineEnd + 1, profile.size()));
    }
    return scan.Result();
}

std::optional<EnrolledVectors> ReadProfile(std::string_view speaker) {
    ProfileScan scan(speaker);
    const ProfileOpen open = ForEachProfileLine(
        [&scan](std::string_view line, bool complete) { scan.Add(line, complete); });
    if (open == ProfileOpen::kUnusable) {
        return std::nullopt;
    }
    return scan.Result();
}

}  // namespace kelvo
