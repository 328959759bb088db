// Writing the RIFF/WAVE header of a recording, and patching its sizes at close.
#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "kelvo/audio/wave_container.h"

namespace kelvo::audio {
namespace {

// Little-endian fields, in the order they are put.
template <std::size_t N>
class HeaderPiece {
  public:
    void Tag(int index) { Bytes(kWaveTags + 4 * index, 4); }
    void U16(WORD value) {
        const unsigned char bytes[] = {static_cast<unsigned char>(value),
                                       static_cast<unsigned char>(value >> 8)};
        Bytes(bytes, 2);
    }
    void U32(DWORD value) {
        const unsigned char bytes[] = {
            static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
            static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
        Bytes(bytes, 4);
    }
    // True when the whole piece was written.
    bool WriteTo(HANDLE file) const {
        DWORD written = 0;
        return WriteFile(file, bytes_.data(), N, &written, nullptr) != FALSE && written == N;
    }

  private:
    void Bytes(const void* data, std::size_t count) {
        std::memcpy(bytes_.data() + used_, data, count);
        used_ += count;
    }
    std::array<unsigned char, N> bytes_{};
    std::size_t used_ = 0;
};

bool WriteU32At(HANDLE file, DWORD offset, DWORD value) {
    if (SetFilePointer(file, static_cast<LONG>(offset), nullptr, FILE_BEGIN) ==
        INVALID_SET_FILE_POINTER) {
        return false;
    }
    HeaderPiece<4> field;
    field.U32(value);
    return field.WriteTo(file);
}

}  // namespace

void WaveHeaderSizes::AddDataBytes(DWORD bytes) {
    DWORD count = dataBytes.load(std::memory_order_relaxed);
    const DWORD room = std::numeric_limits<DWORD>::max() - count;
    dataBytes.store(count + std::min(bytes, room), std::memory_order_relaxed);
}

bool WriteWaveHeader(HANDLE file, const WAVEFORMATEX& format, WaveHeaderSizes& sizes) {
    sizes.riffSize = 4;
    sizes.dataBytes = 0;
    sizes.riffSizeOffset = 4;
    sizes.dataSizeOffset = 0;

    HeaderPiece<12> riff;
    riff.Tag(0);
    riff.U32(0);
    riff.Tag(1);
    if (!riff.WriteTo(file)) {
        return false;
    }
    sizes.dataSizeOffset += 12;

    HeaderPiece<24> fmt;
    fmt.Tag(2);
    fmt.U32(16);
    fmt.U16(format.wFormatTag);
    fmt.U16(format.nChannels);
    fmt.U32(format.nSamplesPerSec);
    fmt.U32(format.nAvgBytesPerSec);
    fmt.U16(format.nBlockAlign);
    fmt.U16(format.wBitsPerSample);
    if (!fmt.WriteTo(file)) {
        return false;
    }
    sizes.riffSize += 24;
    sizes.dataSizeOffset += 24;

    HeaderPiece<8> data;
    data.Tag(3);
    data.U32(0);
    if (!data.WriteTo(file)) {
        return false;
    }
    sizes.dataSizeOffset += 4;
    sizes.riffSize += 8;
    return true;
}

void PatchWaveSizes(HANDLE file, const WaveHeaderSizes& sizes) {
    // The RIFF size is the running value plus the samples; computed rather than accumulated,
    // so the sizes come out the same however often the patch runs.
    const DWORD dataBytes = sizes.dataBytes.load();
    const DWORD riffSize = sizes.riffSize.load();
    const DWORD room = std::numeric_limits<DWORD>::max() - riffSize;
    if (!WriteU32At(file, sizes.riffSizeOffset.load(), riffSize + std::min(dataBytes, room))) {
        return;
    }
    WriteU32At(file, sizes.dataSizeOffset.load(), dataBytes);
}

}  // namespace kelvo::audio
