#include "text_io.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "portable/files.h"

namespace speech {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

template <typename T>
void AppendChars(std::string& out, T value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8, 1e9,
                                   1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};

// A plain decimal of at most 18 digits: "-12.3456", "7", "0.5". False for anything else.
bool ParsePlainDecimal(std::string_view token, double& value) {
    std::size_t at = 0;
    const bool negative = !token.empty() && token[0] == '-';
    at += negative ? 1 : 0;
    std::uint64_t digits = 0;
    std::size_t count = 0;
    std::size_t fraction = 0;
    bool point = false;
    for (; at < token.size(); ++at) {
        const char c = token[at];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9' || count == 18) {
            return false;
        }
        digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
        ++count;
        fraction += point ? 1 : 0;
    }
    if (count == 0) {
        return false;
    }
    const double magnitude = static_cast<double>(digits) / kPowersOfTen[fraction];
    value = negative ? -magnitude : magnitude;
    return true;
}

constexpr std::size_t kReadChunk = std::size_t{1} << 16;

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
  public:
    explicit FileDescriptor(int descriptor) : descriptor_(descriptor) {}
    ~FileDescriptor() { portable::CloseFile(descriptor_); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

  private:
    int descriptor_;
};

template <typename T>
bool ParseWhole(std::string_view token, T& value) {
    if constexpr (std::is_floating_point_v<T>) {
        double plain = 0.0;
        if (ParsePlainDecimal(token, plain)) {
            value = static_cast<T>(plain);
            return true;
        }
    }
    const char* end = token.data() + token.size();
    T parsed{};
    const auto [ptr, error] = std::from_chars(token.data(), end, parsed);
    if (token.empty() || error != std::errc{} || ptr != end) {
        return false;
    }
    if constexpr (std::is_floating_point_v<T>) {
        if (!std::isfinite(parsed)) {
            return false;
        }
    }
    value = parsed;
    return true;
}

}  // namespace

FileRead ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& content) {
    content.clear();
    // Opened without blocking: a FIFO would otherwise wait for a writer that never comes.
    portable::OpenResult opened = portable::OpenResult::kRefused;
    const int descriptor =
        portable::OpenFile(path.c_str(), portable::kRead | portable::kFollowLinks, 0, &opened);
    if (descriptor < 0) {
        return opened == portable::OpenResult::kMissing ? FileRead::kMissing : FileRead::kRefused;
    }
    const FileDescriptor file(descriptor);
    std::int64_t size = 0;
    if (!portable::IsRegularFile(descriptor, &size) ||
        static_cast<std::uintmax_t>(size) > maxBytes) {
        return FileRead::kRefused;
    }
    // Sized once from the file's length, with a byte to spare that shows whether it grew since.
    content.resize(static_cast<std::size_t>(size) + 1);
    std::size_t filled = 0;
    for (;;) {
        if (filled == content.size()) {
            if (filled > maxBytes) {
                content.clear();
                return FileRead::kRefused;
            }
            content.resize(filled + std::min(kReadChunk, maxBytes + 1 - filled));
        }
        const std::int64_t count =
            portable::ReadSome(descriptor, content.data() + filled, content.size() - filled);
        if (count < 0) {
            content.clear();
            return FileRead::kRefused;
        }
        if (count == 0) {
            break;
        }
        filled += static_cast<std::size_t>(count);
    }
    content.resize(filled);
    return FileRead::kOk;
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes) {
    std::string content;
    if (ReadRegularFile(path, maxBytes, content) != FileRead::kOk) {
        return std::nullopt;
    }
    return content;
}

FileReplacement::FileReplacement(std::string path) : path_(std::move(path)) {
    // Created exclusively under an unpredictable name: nothing planted there is ever written.
    descriptor_ = portable::CreateUniqueFile(path_ + ".tmp", temporary_);
    failed_ = descriptor_ < 0;
}

FileReplacement::~FileReplacement() {
    if (descriptor_ >= 0) {
        portable::CloseFile(descriptor_);
        portable::RemoveFile(temporary_.c_str());
    }
}

void FileReplacement::Write(std::string_view text) {
    while (!failed_ && !text.empty()) {
        const std::int64_t count = portable::WriteSome(descriptor_, text.data(), text.size());
        if (count <= 0) {
            failed_ = true;
            break;
        }
        text.remove_prefix(static_cast<std::size_t>(count));
    }
}

bool FileReplacement::Commit() {
    if (descriptor_ < 0) {
        return false;
    }
    const bool closed = portable::CloseFile(descriptor_);
    descriptor_ = -1;
    if (failed_ || !closed || !portable::RenameReplacing(temporary_.c_str(), path_.c_str())) {
        portable::RemoveFile(temporary_.c_str());
        return false;
    }
    return true;
}

bool WriteWholeFile(const std::string& path, std::string_view content) {
    FileReplacement file(path);
    file.Write(content);
    return file.Commit();
}

std::optional<std::vector<std::string>> ReadNameList(const std::string& path) {
    const auto text = ReadWholeFile(path, kMaxListFileBytes);
    if (!text) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    std::size_t at = 0;
    while (at < text->size()) {
        while (at < text->size() && IsBlank((*text)[at])) {
            ++at;
        }
        const std::size_t start = at;
        while (at < text->size() && !IsBlank((*text)[at])) {
            ++at;
        }
        if (at > start) {
            names.emplace_back(text->substr(start, at - start));
        }
    }
    return names;
}

namespace {

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Feature values below this magnitude are written with four decimals.
constexpr double kFixedLimit = 1e15;

// The value times 10^4, rounded half away from zero.
std::int64_t TenThousandths(float value) {
    const double scaled = static_cast<double>(value) * 1e4;
    return static_cast<std::int64_t>(scaled + (scaled < 0.0 ? -0.5 : 0.5));
}

bool WrittenFixed(float value) {
    return std::abs(static_cast<double>(value) * 1e4) < kFixedLimit;
}

}  // namespace

char* WriteFeatureValue(char* at, float value, float& readBack) {
    if (!WrittenFixed(value)) {
        readBack = value;  // the shortest exact form reads back as the value itself
        return std::to_chars(at, at + kMaxFeatureValueChars, value).ptr;
    }
    const std::int64_t units = TenThousandths(value);
    std::uint64_t magnitude = static_cast<std::uint64_t>(units < 0 ? -units : units);
    // As ParsePlainDecimal reads "<digits>.<4 digits>": magnitude over 10^4, then the sign.
    const double read = static_cast<double>(magnitude) / 1e4;
    readBack = static_cast<float>(units < 0 ? -read : read);
    if (units < 0) {
        *at++ = '-';
    }
    // The whole part, then the point and the four decimals, two digits at a time.
    std::uint64_t whole = magnitude / 10000;
    const auto fraction = static_cast<std::size_t>(magnitude % 10000);
    if (whole < 10) {
        *at++ = static_cast<char>('0' + whole);
    } else if (whole < 100) {
        std::memcpy(at, kDigitPairs + 2 * whole, 2);
        at += 2;
    } else {
        at = std::to_chars(at, at + 20, whole).ptr;
    }
    *at++ = '.';
    std::memcpy(at, kDigitPairs + 2 * (fraction / 100), 2);
    std::memcpy(at + 2, kDigitPairs + 2 * (fraction % 100), 2);
    return at + 4;
}

char* WriteFeatureValue(char* at, float value) {
    float readBack = 0.0f;
    return WriteFeatureValue(at, value, readBack);
}

void AppendFeatureValue(std::string& out, float value) {
    char buffer[kMaxFeatureValueChars];
    out.append(buffer, WriteFeatureValue(buffer, value));
}

float RoundTripFeatureValue(float value) {
    char buffer[kMaxFeatureValueChars];
    float readBack = 0.0f;
    WriteFeatureValue(buffer, value, readBack);
    return readBack;
}

void AppendNumber(std::string& out, float value) {
    AppendChars(out, value);
}
void AppendNumber(std::string& out, double value) {
    AppendChars(out, value);
}
void AppendNumber(std::string& out, std::size_t value) {
    AppendChars(out, value);
}

std::string_view NumberReader::NextToken() {
    while (position_ < text_.size() && IsBlank(text_[position_])) {
        ++position_;
    }
    const std::size_t start = position_;
    while (position_ < text_.size() && !IsBlank(text_[position_])) {
        ++position_;
    }
    return text_.substr(start, position_ - start);
}

bool NumberReader::Read(float& value) {
    return ParseWhole(NextToken(), value);
}
bool NumberReader::Read(double& value) {
    return ParseWhole(NextToken(), value);
}
bool NumberReader::Read(std::size_t& value) {
    return ParseWhole(NextToken(), value);
}

bool NumberReader::TakeWord(std::string_view word) {
    const std::size_t start = position_;
    if (NextToken() == word) {
        return true;
    }
    position_ = start;
    return false;
}

bool NumberReader::AtEnd() {
    while (position_ < text_.size() && IsBlank(text_[position_])) {
        ++position_;
    }
    return position_ == text_.size();
}

}  // namespace speech
