#include "effects/DiagonalGlowWipe.h"

#include <algorithm>

#include "effects/PictureRows.h"

namespace effects {

int DiagonalGlowWipe::begin(const PictureFrameBlock&) {
    for (int v = 0; v < 256; ++v) {
        brighten_[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(std::min(v + 96, 255));
    }
    ready_ = true;
    return 0;
}

int DiagonalGlowWipe::frame(const PictureFrameBlock& block) {
    if (!ready_) {
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    const int d = static_cast<int>(std::int64_t{w + h} * block.elapsed / block.duration);
    for (int y = 0; y < h; ++y) {
        const int row = h - 1 - y;
        Pixel* out = rowOf(block.out, w, row);
        const Pixel* from = rowOf(block.from, w, row);
        const int incoming = std::clamp(d - y, 0, w);
        copyPixels(out, rowOf(block.to, w, row), incoming);
        copyPixels(out + incoming, from + incoming, w - incoming);
        const int line = d - y;
        if (d > 0 && line >= 0 && line < w) {
            const Pixel p = from[line];
            out[line] = (p & 0xFF000000u) | Pixel{brighten_[p & 0xFF]} |
                        Pixel{brighten_[(p >> 8) & 0xFF]} << 8 |
                        Pixel{brighten_[(p >> 16) & 0xFF]} << 16;
        }
    }
    return 0;
}

int DiagonalGlowWipe::end(const PictureFrameBlock&) {
    ready_ = false;
    return 0;
}

}  // namespace effects
