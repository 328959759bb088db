#include "kelvo/core/text_file.h"

#include <cstdio>

namespace kelvo {
namespace {

bool WriteAndClose(std::FILE* file, std::string_view content) {
    const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

}  // namespace

std::optional<std::string> ReadTextFile(const char* name) {
    std::FILE* file = std::fopen(name, "rb");
    if (file == nullptr) {
        return std::nullopt;
    }
    std::string content;
    char chunk[4096];
    std::size_t count = 0;
    while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        content.append(chunk, count);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        return std::nullopt;
    }
    return content;
}

bool WriteTextFile(const char* name, std::string_view content) {
    std::FILE* file = std::fopen(name, "wb");
    return file != nullptr && WriteAndClose(file, content);
}

bool AppendTextFile(const char* name, std::string_view content) {
    std::FILE* file = std::fopen(name, "ab");
    return file != nullptr && WriteAndClose(file, content);
}

}  // namespace kelvo
