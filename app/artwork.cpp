#include "app/artwork.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace artwork {

namespace {

constexpr std::uint32_t kOpaque = 0xFF000000;

std::uint32_t& pixel(tk::TPicture& p, int x, int y) {
    return p.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width) +
                    static_cast<std::size_t>(x)];
}

void fillRect(tk::TPicture& p, int x0, int y0, int x1, int y1, std::uint32_t rgb) {
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            pixel(p, x, y) = kOpaque | rgb;
        }
    }
}

void fillCircle(tk::TPicture& p, int cx, int cy, int r, std::uint32_t rgb) {
    for (int y = cy - r; y <= cy + r; ++y) {
        for (int x = cx - r; x <= cx + r; ++x) {
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) {
                pixel(p, x, y) = kOpaque | rgb;
            }
        }
    }
}

// The brush, one character a pixel: '.' purple (transparent), Y yellow, O olive (the
// handle's shadow), R red, M maroon, K black.
constexpr std::array<std::string_view, 16> kBrush = {
    "..............YO",  //
    ".............YO.",  //
    "............YO..",  //
    "...........YO...",  //
    "..........YO....",  //
    ".........YO.....",  //
    "........YO......",  //
    "......RRRM......",  //
    ".....RRRRRM.....",  //
    "....RRRRRRM.....",  //
    "...RRRRRRM......",  //
    "..K.RRRRM.......",  //
    ".K..K.RM........",  //
    "K..K..K.........",  //
    ".K...K..........",  //
    "..K.............",  //
};

std::uint32_t brushColour(char c, bool greyed) {
    switch (c) {
        case 'Y':
            return greyed ? 0xFFFFFF : 0xFFFF00;
        case 'O':
            return greyed ? 0x808080 : 0x808000;
        case 'R':
            return greyed ? 0x808080 : 0xFF0000;
        case 'M':
            return greyed ? 0xFFFFFF : 0x800000;
        case 'K':
            return greyed ? 0x808080 : 0x000000;
        default:
            return tk::clPurple;
    }
}

}  // namespace

tk::TPicture logo() {
    tk::TPicture p{81, 60, std::vector<std::uint32_t>(std::size_t{81} * 60, kOpaque | 0xFFFFFF)};
    fillRect(p, 0, 0, 81, 60, 0xE8ECF4);
    // Output pins above, input pins below.
    for (int i = 0; i < 8; ++i) {
        const int x = 14 + i * 7;
        fillRect(p, x, 6, x + 3, 16, 0x808080);
        fillRect(p, x, 44, x + 3, 54, 0x808080);
        fillRect(p, x - 1, 2, x + 4, 6, i % 2 == 0 ? 0xFF0000 : 0x800000);
        fillCircle(p, x + 1, 56, 2, i % 3 == 0 ? 0x00FF00 : 0x008000);
    }
    // The controller body with its network jack.
    fillRect(p, 8, 16, 73, 44, 0x1F2F6F);
    fillRect(p, 10, 18, 71, 42, 0x2F4F9F);
    fillRect(p, 54, 24, 66, 36, 0xC0C0C0);
    fillRect(p, 56, 26, 64, 33, 0x404040);
    // "I/O" in block letters.
    fillRect(p, 16, 23, 19, 37, 0xFFFFFF);
    for (int k = 0; k < 7; ++k) {
        fillRect(p, 27 - k, 23 + 2 * k, 29 - k, 25 + 2 * k, 0xFFFFFF);
    }
    fillRect(p, 32, 23, 46, 26, 0xFFFFFF);
    fillRect(p, 32, 34, 46, 37, 0xFFFFFF);
    fillRect(p, 32, 23, 35, 37, 0xFFFFFF);
    fillRect(p, 43, 23, 46, 37, 0xFFFFFF);
    return p;
}

tk::TPicture clearButtonGlyph() {
    tk::TPicture p{32, 16, std::vector<std::uint32_t>(std::size_t{32} * 16)};
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const char c = kBrush[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
            pixel(p, x, y) = kOpaque | brushColour(c, false);
            pixel(p, x + 16, y) = kOpaque | brushColour(c, true);
        }
    }
    return p;
}

}  // namespace artwork
