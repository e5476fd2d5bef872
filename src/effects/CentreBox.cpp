#include "effects/CentreBox.h"

#include <cstdint>

#include "effects/PictureRows.h"

namespace effects {

int CentreBox::frame(const PictureFrameBlock& block) {
    const int w = block.width;
    const int h = block.height;
    int e = static_cast<int>(std::int64_t{block.elapsed} * (w / 2) / block.duration);
    int f = static_cast<int>(std::int64_t{block.elapsed} * (h / 2) / block.duration);
    const Pixel* frame = block.to;
    const Pixel* box = block.from;
    if (block.parameter != 0) {
        frame = block.from;
        box = block.to;
        e = w / 2 - e;
        f = h / 2 - f;
    }
    for (int row = 0; row < h; ++row) {
        Pixel* out = rowOf(block.out, w, row);
        const Pixel* frameRow = rowOf(frame, w, row);
        if (row < f || row >= h - f) {
            copyPixels(out, frameRow, w);
            continue;
        }
        const Pixel* boxRow = rowOf(box, w, row);
        copyPixels(out, frameRow, e);
        copyPixels(out + e, boxRow + e, w - 2 * e);
        copyPixels(out + (w - e), frameRow + (w - e), e);
    }
    return 0;
}

}  // namespace effects
