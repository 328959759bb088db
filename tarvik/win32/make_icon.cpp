// Writes icon resource 128 as an .ico file from the icon table, for the resource compiler.
// Runs on the build machine (cross builds cannot run target programs), so it uses nothing but
// the standard library.
//
//   make_icon OUT.ico
//
// Each image is stored as the format keeps 16-colour icons: a BITMAPINFOHEADER with twice the
// image height, the 16-entry palette, the colour pixels at 4 bits per pixel and then the mask
// at 1 bit per pixel, both bottom-up with rows padded to 4 bytes. Mask bits are set for the
// transparent pixels, whose colour index is 0 so that drawing leaves the background.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string_view>
#include <vector>

#include "resources/app_icon.h"

namespace {

class LittleEndianWriter {
  public:
    void U8(std::uint32_t value) { bytes.push_back(static_cast<std::uint8_t>(value)); }
    void U16(std::uint32_t value) {
        U8(value & 0xFF);
        U8(value >> 8);
    }
    void U32(std::uint32_t value) {
        U16(value & 0xFFFF);
        U16(value >> 16);
    }

    std::vector<std::uint8_t> bytes;
};

constexpr std::uint32_t kHeaderSize = 6;
constexpr std::uint32_t kDirectoryEntrySize = 16;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kColours = 16;

std::uint32_t RowBytes(int width, int bitsPerPixel) {
    return static_cast<std::uint32_t>((width * bitsPerPixel + 31) / 32 * 4);
}

// True when every row has exactly `size` pixel characters of the table's alphabet.
bool WellFormed(const IconImage& image) {
    if (image.size <= 0 || image.size > 255 ||
        image.rows.size() != static_cast<std::size_t>(image.size)) {
        return false;
    }
    for (const char* row : image.rows) {
        const std::string_view pixels(row);
        if (pixels.size() != static_cast<std::size_t>(image.size)) {
            return false;
        }
        for (const char pixel : pixels) {
            if (pixel != '.' && IconPaletteIndex(pixel) < 0) {
                return false;
            }
        }
    }
    return true;
}

std::uint32_t ImageBytes(const IconImage& image) {
    const auto height = static_cast<std::uint32_t>(image.size);
    return kInfoHeaderSize + kColours * 4 +
           (RowBytes(image.size, 4) + RowBytes(image.size, 1)) * height;
}

void WriteImage(const IconImage& image, LittleEndianWriter& out) {
    const int size = image.size;
    const std::uint32_t colourRow = RowBytes(size, 4);
    const std::uint32_t maskRow = RowBytes(size, 1);
    out.U32(kInfoHeaderSize);
    out.U32(static_cast<std::uint32_t>(size));
    out.U32(static_cast<std::uint32_t>(size * 2));  // colour pixels and mask
    out.U16(1);                                     // planes
    out.U16(4);                                     // bits per pixel
    out.U32(0);                                     // uncompressed
    out.U32((colourRow + maskRow) * static_cast<std::uint32_t>(size));
    out.U32(0);  // horizontal resolution
    out.U32(0);  // vertical resolution
    out.U32(0);  // colours used: all 16
    out.U32(0);  // important colours: all
    for (const std::uint32_t rgb : IconPalette()) {
        out.U8(rgb & 0xFF);          // blue
        out.U8((rgb >> 8) & 0xFF);   // green
        out.U8((rgb >> 16) & 0xFF);  // red
        out.U8(0);
    }
    for (int y = size - 1; y >= 0; --y) {
        const char* row = image.rows[static_cast<std::size_t>(y)];
        std::vector<std::uint8_t> line(colourRow, 0);
        for (int x = 0; x < size; ++x) {
            const int index = IconPaletteIndex(row[x]);
            const auto nibble = static_cast<std::uint8_t>(index < 0 ? 0 : index);
            line[static_cast<std::size_t>(x / 2)] |=
                static_cast<std::uint8_t>(x % 2 == 0 ? nibble << 4 : nibble);
        }
        out.bytes.insert(out.bytes.end(), line.begin(), line.end());
    }
    for (int y = size - 1; y >= 0; --y) {
        const char* row = image.rows[static_cast<std::size_t>(y)];
        std::vector<std::uint8_t> line(maskRow, 0);
        for (int x = 0; x < size; ++x) {
            if (IconPaletteIndex(row[x]) < 0) {
                line[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
        out.bytes.insert(out.bytes.end(), line.begin(), line.end());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make_icon OUT.ico\n", stderr);
        return 2;
    }
    const auto images = TarvikIconImages();
    for (const IconImage& image : images) {
        if (!WellFormed(image)) {
            std::fprintf(stderr, "make_icon: the %d x %d image of the table is malformed\n",
                         image.size, image.size);
            return 1;
        }
    }

    LittleEndianWriter out;
    out.U16(0);  // reserved
    out.U16(1);  // an icon, not a cursor
    out.U16(static_cast<std::uint32_t>(images.size()));
    auto offset = kHeaderSize + kDirectoryEntrySize * static_cast<std::uint32_t>(images.size());
    for (const IconImage& image : images) {
        out.U8(static_cast<std::uint32_t>(image.size));  // width
        out.U8(static_cast<std::uint32_t>(image.size));  // height
        out.U8(kColours);
        out.U8(0);   // reserved
        out.U16(1);  // planes
        out.U16(4);  // bits per pixel
        out.U32(ImageBytes(image));
        out.U32(offset);
        offset += ImageBytes(image);
    }
    for (const IconImage& image : images) {
        WriteImage(image, out);
    }

    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(out.bytes.data()),
               static_cast<std::streamsize>(out.bytes.size()));
    if (!file.flush()) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
