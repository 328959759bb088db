#include "text_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

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

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return std::nullopt;
    }
    // Sized once from the file's length, so that a large recording is not copied as it grows.
    std::string content;
    struct stat status {};
    if (fstat(fileno(file), &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
        content.resize(static_cast<std::size_t>(status.st_size));
        content.resize(std::fread(content.data(), 1, content.size(), file));
    }
    char chunk[1 << 12];
    std::size_t count = 0;
    while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        content.append(chunk, count);  // what the file gained since, or a file without a size
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        return std::nullopt;
    }
    return content;
}

FileReplacement::FileReplacement(std::string path)
    : path_(std::move(path)), temporary_(path_ + ".tmp" + std::to_string(getpid())) {
    file_ = std::fopen(temporary_.c_str(), "wb");
    failed_ = file_ == nullptr;
}

FileReplacement::~FileReplacement() {
    if (file_ != nullptr) {
        std::fclose(file_);
        std::remove(temporary_.c_str());
    }
}

void FileReplacement::Write(std::string_view text) {
    if (!failed_ && std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
        failed_ = true;
    }
}

bool FileReplacement::Commit() {
    if (file_ == nullptr) {
        return false;
    }
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (failed_ || !closed || std::rename(temporary_.c_str(), path_.c_str()) != 0) {
        std::remove(temporary_.c_str());
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
    const auto text = ReadWholeFile(path);
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

char* WriteFeatureValue(char* at, float value) {
    if (!WrittenFixed(value)) {
        return std::to_chars(at, at + kMaxFeatureValueChars, value).ptr;
    }
    const std::int64_t units = TenThousandths(value);
    std::uint64_t magnitude = static_cast<std::uint64_t>(units < 0 ? -units : units);
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

void AppendFeatureValue(std::string& out, float value) {
    char buffer[kMaxFeatureValueChars];
    out.append(buffer, WriteFeatureValue(buffer, value));
}

float RoundTripFeatureValue(float value) {
    if (!WrittenFixed(value)) {
        return value;  // the shortest exact form reads back as the value itself
    }
    // As ParsePlainDecimal reads "<digits>.<4 digits>": magnitude over 10^4, then the sign.
    const std::int64_t units = TenThousandths(value);
    const double magnitude = static_cast<double>(units < 0 ? -units : units) / 1e4;
    return static_cast<float>(units < 0 ? -magnitude : magnitude);
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
