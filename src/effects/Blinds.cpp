#include "effects/Blinds.h"

#include <algorithm>
#include <cstdint>

#include "effects/EffectTables.h"
#include "effects/PictureRows.h"

namespace effects {

int Blinds::frame(const PictureFrameBlock& block) {
    const int percent = percentProgress(block);
    if (copyEndPoint(block, percent)) {
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    const int slats = std::clamp(block.parameter, 1, MAX_SLATS);
    const double x = fractionProgress(block);
    switch (block.direction) {
        case DirUp:
        case DirDown: {
            // Row slats are H / N rows each, the last one taking the rest.
            const int slatRows = std::max(h / slats, 1);
            const bool up = block.direction == DirUp;
            const int s = static_cast<int>((up ? x : 1 - x) * h / slats);
            for (int row = 0; row < h; ++row) {
                const int slatStart = std::min(row / slatRows, slats - 1) * slatRows;
                const bool below = row - slatStart < s;
                const Pixel* source = below == up ? block.to : block.from;
                copyPixels(rowOf(block.out, w, row), rowOf(source, w, row), w);
            }
            break;
        }
        case DirRight:
        case DirLeft: {
            const int e = static_cast<int>(std::int64_t{w} * percent / 100 / slats);
            const bool right = block.direction == DirRight;
            // The same slats in every row: find the runs once per frame.
            spans_.reset(w);
            for (int k = 0; k < slats; ++k) {
                const int begin = bandStart(k, w, slats);
                const int end = bandStart(k + 1, w, slats);
                const int split = right ? begin + e : end - e;
                spans_.add(begin, split, right ? 1 : 0);
                spans_.add(split, end, right ? 0 : 1);
            }
            for (int row = 0; row < h; ++row) {
                if (row + 6 < h) {
                    spans_.prefetchRow(rowOf(block.from, w, row + 6), rowOf(block.to, w, row + 6));
                }
                spans_.copyRow(rowOf(block.out, w, row), rowOf(block.from, w, row),
                               rowOf(block.to, w, row));
            }
            break;
        }
        default:
            break;
    }
    return 0;
}

}  // namespace effects
