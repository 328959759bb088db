// Text files of the speech library: list files of names, and numbers written in their
// shortest exact form in the C locale (std::to_chars), whatever the process locale.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace speech {

// Every file the library reads is a regular file, or a link to one, of bounded size: a FIFO,
// a device or a directory in its place is refused at once instead of blocking or growing
// without end, and so is a file larger than its kind allows.
inline constexpr std::size_t kMaxListFileBytes = std::size_t{1} << 20;  // lists, transitions
// Ample for the feature files of the longest recording at the verification pipeline's
// settings, about 26 MB.
inline constexpr std::size_t kMaxFeatureFileBytes = std::size_t{64} << 20;

enum class FileRead {
    kOk,
    kMissing,  // nothing at the path (or a link to nothing)
    kRefused,  // not a regular file, too large, or unreadable
};

// Reads the whole file into content (replaced) when it is a regular file of at most maxBytes.
FileRead ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& content);

// The content as ReadRegularFile reads it; nothing when it is missing or refused.
std::optional<std::string> ReadWholeFile(const std::string& path,
                                         std::size_t maxBytes = kMaxFeatureFileBytes);

// Writes a file whole or not at all: the text goes to a temporary file beside the target, which
// replaces the target on Commit, so a failed run never leaves a partial file behind. The
// temporary has an unpredictable name and is created only when nothing stands at that name
// (never through a link); renaming it replaces a link at the target rather than writing
// through it.
class FileReplacement {
  public:
    explicit FileReplacement(std::string path);
    ~FileReplacement();  // removes the temporary file unless committed
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    void Write(std::string_view text);
    // True when every write succeeded and the file now stands at the path.
    bool Commit();

  private:
    std::string path_;
    std::string temporary_;
    int descriptor_ = -1;
    bool failed_ = false;
};

// The whole content, through a FileReplacement.
bool WriteWholeFile(const std::string& path, std::string_view content);

// The white-space separated names of a list file; nothing when it cannot be read.
std::optional<std::vector<std::string>> ReadNameList(const std::string& path);

// A feature value with four decimals ("-12.3456"): ample for features, whose useful precision
// is far coarser, and several times faster to write and read than the shortest exact form.
// Values too large for that form are written in the shortest exact form. WriteFeatureValue
// writes at `at`, which has room for kMaxFeatureValueChars, and returns the end.
inline constexpr std::size_t kMaxFeatureValueChars = 24;
char* WriteFeatureValue(char* at, float value);
// The same, also giving the value a reader gets back from the text written.
char* WriteFeatureValue(char* at, float value, float& readBack);
void AppendFeatureValue(std::string& out, float value);

// The value NumberReader reads back from the text of WriteFeatureValue(value).
float RoundTripFeatureValue(float value);

void AppendNumber(std::string& out, float value);
void AppendNumber(std::string& out, double value);
void AppendNumber(std::string& out, std::size_t value);

// Reads white-space separated numbers from a text, each token whole. Plain decimals
// ("-12.3456") take a fast path that rounds to within one unit in the last place; every
// other form goes through std::from_chars.
class NumberReader {
  public:
    explicit NumberReader(std::string_view text) : text_(text) {}

    bool Read(float& value);
    bool Read(double& value);
    bool Read(std::size_t& value);
    bool AtEnd();  // only white space left
    // Takes the next token when it is `word`; otherwise leaves it for the next read.
    bool TakeWord(std::string_view word);

  private:
    std::string_view NextToken();

    std::string_view text_;
    std::size_t position_ = 0;
};

}  // namespace speech
