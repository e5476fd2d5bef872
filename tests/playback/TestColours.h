#pragma once

// The solid colours the show tests put on screen, and which of them a
// presented pixel shows: the decoders and scalers may move a channel a little,
// so each channel only has to be clearly high or clearly low.

#include <cstdint>

namespace playback::test {

enum Colour { RED, GREEN, BLUE, WHITE, OTHER };

// `bgrx` as the presented frame stores it: blue in the low byte.
inline Colour colourOf(std::uint32_t bgrx) {
    const int b = bgrx & 0xff, g = (bgrx >> 8) & 0xff, r = (bgrx >> 16) & 0xff;
    auto high = [](int v) { return v > 200; };
    auto low = [](int v) { return v < 55; };
    if (high(r) && low(g) && low(b))
        return RED;
    if (low(r) && high(g) && low(b))
        return GREEN;
    if (low(r) && low(g) && high(b))
        return BLUE;
    if (high(r) && high(g) && high(b))
        return WHITE;
    return OTHER;
}

// The same for a pixel's bytes: blue, green, red, unused.
inline Colour colourOf(const std::uint8_t* p) {
    return colourOf(p[0] | p[1] << 8 | std::uint32_t{p[2]} << 16);
}

}  // namespace playback::test
