#include "kelvo/core/text_file.h"

#include <array>

namespace kelvo {
namespace {

using portable::ReadSome;

constexpr std::size_t kReadChunk = 64 * 1024;

}  // namespace

int OpenRegularFile(const char* name, unsigned flags, unsigned mode) {
    const int fd = portable::OpenFile(name, flags, mode);
    if (fd < 0) {
        return -1;
    }
    if (!portable::IsRegularFile(fd)) {
        portable::CloseFile(fd);
        return -1;
    }
    return fd;
}

std::optional<std::string> ReadTextFile(const char* name, std::size_t maxBytes) {
    const int fd = OpenRegularFile(name, portable::kRead);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string content;
    std::array<char, 4096> chunk{};
    bool failed = false;
    for (;;) {
        const std::int64_t count = ReadSome(fd, chunk.data(), chunk.size());
        if (count <= 0) {
            failed = count < 0;
            break;
        }
        if (static_cast<std::size_t>(count) > maxBytes - content.size()) {
            failed = true;
            break;
        }
        content.append(chunk.data(), static_cast<std::size_t>(count));
    }
    portable::CloseFile(fd);
    if (failed) {
        return std::nullopt;
    }
    return content;
}

std::string TemporaryBase(std::string_view name) {
    return std::string(name) + ".kelvo-tmp.";
}

bool WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const std::int64_t count = portable::WriteSome(fd, content.data(), content.size());
        if (count <= 0) {
            return false;
        }
        content.remove_prefix(static_cast<std::size_t>(count));
    }
    return true;
}

bool ReplaceTextFile(const char* name, std::string_view content) {
    std::string temporary;
    // Created exclusively: never opens an existing file or follows a link planted at the name.
    const int fd = portable::CreateUniqueFile(TemporaryBase(name), temporary);
    if (fd < 0) {
        return false;
    }
    const bool written = WriteAll(fd, content);
    const bool closed = portable::CloseFile(fd);
    // The rename replaces the directory entry itself, so a link at the name is not followed.
    if (!written || !closed || !portable::RenameReplacing(temporary.c_str(), name)) {
        portable::RemoveFile(temporary.c_str());
        return false;
    }
    return true;
}

bool ForEachLine(int fd, std::size_t maxLength,
                 const std::function<void(std::string_view line, bool complete)>& onLine) {
    std::string chunk(kReadChunk, '\0');
    std::string line;
    bool overlong = false;
    bool pending = false;  // a line has begun and not yet ended
    for (;;) {
        const std::int64_t count = ReadSome(fd, chunk.data(), chunk.size());
        if (count < 0) {
            return false;
        }
        if (count == 0) {
            break;
        }
        std::string_view rest(chunk.data(), static_cast<std::size_t>(count));
        while (!rest.empty()) {
            const std::size_t end = rest.find('\n');
            const std::string_view piece = rest.substr(0, end);
            if (!overlong) {
                const std::size_t room = maxLength - line.size();
                line.append(piece.substr(0, room));
                overlong = piece.size() > room;
            }
            pending = true;
            if (end == std::string_view::npos) {
                break;
            }
            onLine(line, !overlong);
            line.clear();
            overlong = false;
            pending = false;
            rest.remove_prefix(end + 1);
        }
    }
    if (pending) {
        onLine(line, !overlong);
    }
    return true;
}

}  // namespace kelvo
