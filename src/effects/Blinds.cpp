#include "effects/Blinds.h"

#include <algorithm>
#include <array>
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
            // The same slats in every row: divide once per frame, not per row.
            std::array<int, MAX_SLATS + 1> starts;
            for (int k = 0; k <= slats; ++k) {
                starts[static_cast<std::size_t>(k)] = bandStart(k, w, slats);
            }
            for (int row = 0; row < h; ++row) {
                Pixel* out = rowOf(block.out, w, row);
                const Pixel* from = rowOf(block.from, w, row);
                const Pixel* to = rowOf(block.to, w, row);
                for (std::size_t k = 0; k < static_cast<std::size_t>(slats); ++k) {
                    const int begin = starts[k];
                    const int end = starts[k + 1];
                    const int split = right ? begin + e : end - e;
                    const Pixel* first = right ? to : from;
                    const Pixel* second = right ? from : to;
                    copyPixels(out + begin, first + begin, split - begin);
                    copyPixels(out + split, second + split, end - split);
                }
            }
            break;
        }
        default:
            break;
    }
    return 0;
}

}  // namespace effects
