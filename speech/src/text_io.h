// Text files of the speech library: list files of names, and numbers written in their
// shortest exact form in the C locale (std::to_chars), whatever the process locale.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace speech {

std::optional<std::string> ReadWholeFile(const std::string& path);

// Writes a file whole or not at all: the text goes to a temporary file beside the target,
// which replaces the target on Commit, so a failed run never leaves a partial file behind.
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
    std::FILE* file_ = nullptr;
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
