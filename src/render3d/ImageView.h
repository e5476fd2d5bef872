#pragma once

#include <bit>
#include <cstdint>

namespace render3d {

// The renderer reads and writes 32-bit pixels as machine words 0xXXRRGGBB,
// which on a little-endian machine are the bytes blue, green, red, unused of
// every bitmap of the show. Rows are bottom-up (row 0 is the bottom row on
// screen) and the stride is width * 4 without padding.
static_assert(std::endian::native == std::endian::little,
              "pixel words are read as bytes blue, green, red, unused");

// A caller's picture, not owned: width * height pixels from `pixels`. The
// show's bitmap types convert to these views at the edge of the renderer.
struct ImageView {
    std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
};

struct ConstImageView {
    const std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;

    ConstImageView() = default;
    ConstImageView(const std::uint32_t* p, int w, int h) : pixels(p), width(w), height(h) {}
    // An image the caller may write is also one the renderer may read.
    ConstImageView(ImageView view) : pixels(view.pixels), width(view.width), height(view.height) {}
};

}  // namespace render3d
