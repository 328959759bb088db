// Icon resource 128: the demo's icon as a group of two 16-colour images, 32 x 32 and
// 16 x 16, used as the dialog's big and small icon.
#pragma once

#include <array>
#include <cstdint>
#include <span>

inline constexpr int kIconResourceId = 128;

// One square image; rows[y][x] is a pixel: '0'..'9', 'a'..'f' index the palette, '.' is
// transparent.
struct IconImage {
    int size;
    std::span<const char* const> rows;
};

// The palette index of a pixel character, or -1 for a transparent one (or any other
// character).
constexpr int IconPaletteIndex(char pixel) {
    if (pixel >= '0' && pixel <= '9') {
        return pixel - '0';
    }
    if (pixel >= 'a' && pixel <= 'f') {
        return pixel - 'a' + 10;
    }
    return -1;
}

// The palette every image indexes, as 0xRRGGBB.
const std::array<std::uint32_t, 16>& IconPalette();

// The images of icon resource 128, largest first.
std::span<const IconImage> TarvikIconImages();
