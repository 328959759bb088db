// The player's header recognition on any file: the input becomes the content of a file in a
// private temporary directory, which OpenWaveFile opens and recognises.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <windows.h>

#include "kelvo/audio/wave_container.h"

namespace {

bool Ascii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The file the input is written to, in a directory of its own, removed at exit.
struct Recording {
    std::string directory;
    std::string path;
    std::u16string widePath;

    Recording() {
        // The name is passed on as UTF-16 unit by unit, so it must be ASCII.
        const char* base = std::getenv("TMPDIR");
        std::string pattern = base != nullptr && *base != '\0' && Ascii(base) ? base : "/tmp";
        pattern += "/wave_header_fuzzer.XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        directory = pattern;
        path = directory + "/recording.wav";
        widePath.assign(path.begin(), path.end());
    }
    ~Recording() {
        std::remove(path.c_str());
        rmdir(directory.c_str());
    }
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    // Rewrites the file in place and cuts it to `size`: truncating it to nothing first makes
    // ext4 flush it on every close, at a few milliseconds each.
    bool Write(const std::uint8_t* data, std::size_t size) const {
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) {
            return false;
        }
        std::size_t done = 0;
        while (done < size) {
            const ssize_t written = write(fd, data + done, size - done);
            if (written <= 0) {
                break;
            }
            done += static_cast<std::size_t>(written);
        }
        const bool complete = done == size && ftruncate(fd, static_cast<off_t>(size)) == 0;
        return close(fd) == 0 && complete;
    }
};

bool SameFormat(const WAVEFORMATEX& a, const WAVEFORMATEX& b) {
    return a.wFormatTag == b.wFormatTag && a.nChannels == b.nChannels &&
           a.nSamplesPerSec == b.nSamplesPerSec && a.nAvgBytesPerSec == b.nAvgBytesPerSec &&
           a.nBlockAlign == b.nBlockAlign && a.wBitsPerSample == b.wBitsPerSample &&
           a.cbSize == b.cbSize;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Recording recording;
    if (!recording.Write(data, size)) {
        std::abort();
    }

    const WAVEFORMATEX passed = {1, 1, 8000, 16000, 2, 16, 0};
    WAVEFORMATEX format = passed;
    HANDLE file = kelvo::audio::OpenWaveFile(recording.widePath.c_str(), format);
    if (file == nullptr) {
        std::abort();
    }
    // Recognition reads no further than the header, and gives the passed format or the
    // file's own.
    const DWORD position = SetFilePointer(file, 0, nullptr, FILE_CURRENT);
    if (position > kelvo::audio::kWaveHeaderBytes || position > size ||
        (!SameFormat(format, passed) && format.cbSize != sizeof(WAVEFORMATEX))) {
        std::abort();
    }
    CloseHandle(file);
    return 0;
}
