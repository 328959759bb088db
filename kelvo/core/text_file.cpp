#include "kelvo/core/text_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>

namespace kelvo {
namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

// read(2) retried on EINTR; a regular file never gives EAGAIN.
ssize_t ReadSome(int fd, char* buffer, std::size_t size) {
    ssize_t count = 0;
    do {
        count = read(fd, buffer, size);
    } while (count < 0 && errno == EINTR);
    return count;
}

}  // namespace

int OpenRegularFile(const char* name, int flags, unsigned mode) {
    const int fd = open(name, flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode);
    if (fd < 0) {
        return -1;
    }
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(fd);
        return -1;
    }
    return fd;
}

std::optional<std::string> ReadTextFile(const char* name, std::size_t maxBytes) {
    const int fd = OpenRegularFile(name, O_RDONLY);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string content;
    std::array<char, 4096> chunk{};
    bool failed = false;
    for (;;) {
        const ssize_t count = ReadSome(fd, chunk.data(), chunk.size());
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
    close(fd);
    if (failed) {
        return std::nullopt;
    }
    return content;
}

bool WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t count = write(fd, content.data(), content.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        content.remove_prefix(static_cast<std::size_t>(count));
    }
    return true;
}

bool ReplaceTextFile(const char* name, std::string_view content) {
    std::string temporary = std::string(name) + ".XXXXXX";
    // O_CREAT | O_EXCL: never opens an existing file or follows a link planted at the name.
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool written = WriteAll(fd, content);
    const bool closed = close(fd) == 0;
    // rename(2) replaces the directory entry itself, so a link at the name is not followed.
    if (!written || !closed || std::rename(temporary.c_str(), name) != 0) {
        unlink(temporary.c_str());
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
        const ssize_t count = ReadSome(fd, chunk.data(), chunk.size());
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
