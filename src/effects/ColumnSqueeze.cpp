#include "effects/ColumnSqueeze.h"

#include <algorithm>
#include <cstddef>

namespace effects {

void squeezeColumns(Pixel* out, int w, int h, const ColumnSource* sources, int first, int end) {
    constexpr int TILE = 16;
    const std::ptrdiff_t stride = w;
    for (int x0 = first; x0 < end; x0 += TILE) {
        const int count = std::min(TILE, end - x0);
        // Per column: the source pixel of the next output row and the
        // remainder of row * h / length, advanced by whole rows and a
        // carry. No branch depends on the ratio, which mispredicts badly.
        const Pixel* source[TILE];
        std::ptrdiff_t wholeStep[TILE];
        int fraction[TILE];
        int remainder[TILE];
        int top[TILE];
        int length[TILE];
        for (int i = 0; i < count; ++i) {
            const ColumnSource& s = sources[x0 + i];
            const int n = std::max(h - 2 * s.inset, 0);
            source[i] = s.column;
            wholeStep[i] = n > 0 ? static_cast<std::ptrdiff_t>(h / n) * stride : 0;
            fraction[i] = n > 0 ? h % n : 0;
            remainder[i] = 0;
            top[i] = s.inset;
            length[i] = n;
        }
        Pixel* row = out + x0;
        for (int r = 0; r < h; ++r, row += stride) {
            for (int i = 0; i < count; ++i) {
                const int j = r - top[i];
                if (j < 0 || j >= length[i]) {
                    row[i] = 0;
                    continue;
                }
                // The rows a column reads are too irregular for the
                // hardware to fetch ahead.
                __builtin_prefetch(source[i] + 8 * (wholeStep[i] + stride));
                row[i] = *source[i];
                const int next = remainder[i] + fraction[i];
                const bool carry = next >= length[i];
                remainder[i] = carry ? next - length[i] : next;
                source[i] += wholeStep[i] + (carry ? stride : 0);
            }
        }
    }
}

}  // namespace effects
