#include "effects/SmearWipe.h"

#include <cstdint>

#include "effects/EffectTables.h"
#include "effects/PictureRows.h"

namespace effects {

int SmearWipe::frame(const PictureFrameBlock& block) {
    const int percent = percentProgress(block);
    if (copyEndPoint(block, percent)) {
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    switch (block.direction) {
        case DirUp: {
            const int b = static_cast<int>(std::int64_t{h} * percent / 100);
            for (int row = 0; row < h; ++row) {
                copyPixels(rowOf(block.out, w, row), rowOf(block.to, w, row < b ? row : b), w);
            }
            break;
        }
        case DirDown: {
            const int n = h - static_cast<int>(std::int64_t{h} * percent / 100);
            for (int row = 0; row < h; ++row) {
                copyPixels(rowOf(block.out, w, row), rowOf(block.to, w, row >= n ? row : n - 1), w);
            }
            break;
        }
        case DirRight: {
            const int n = static_cast<int>(std::int64_t{w} * percent / 100);
            for (int row = 0; row < h; ++row) {
                Pixel* out = rowOf(block.out, w, row);
                const Pixel* to = rowOf(block.to, w, row);
                copyPixels(out, to, n);
                fillPixels(out + n, to[n], w - n);
            }
            break;
        }
        case DirLeft: {
            const int n = static_cast<int>(std::int64_t{w} * percent / 100);
            // On a picture narrower than 100 pixels n can be 0: the leading
            // column is then the last one, not one past the row.
            const int lead = n > 0 ? w - n : w - 1;
            for (int row = 0; row < h; ++row) {
                Pixel* out = rowOf(block.out, w, row);
                const Pixel* to = rowOf(block.to, w, row);
                fillPixels(out, to[lead], w - n);
                copyPixels(out + (w - n), to + (w - n), n);
            }
            break;
        }
        default:
            break;
    }
    return 0;
}

}  // namespace effects
