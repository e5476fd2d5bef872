#include "effects/SideDoors.h"

#include <cstdint>

#include "effects/PictureRows.h"

namespace effects {

namespace {

// Door column `i` of `out` (and its mirror, column w - 1 - i): source column
// `a` of `from` (and w - 1 - a), squeezed into rows inset .. h - inset - 1.
// Column by column, so neighbouring columns find their lines in cache.
void drawDoorColumns(Pixel* out, const Pixel* from, int w, int h, int i, int a, int inset) {
    const std::ptrdiff_t stride = w;
    const int o = h - 2 * inset;
    Pixel* left = out + static_cast<std::ptrdiff_t>(inset) * stride + i;
    Pixel* right = out + static_cast<std::ptrdiff_t>(inset) * stride + (w - 1 - i);
    const Pixel* sourceLeft = from + a;
    const Pixel* sourceRight = from + (w - 1 - a);
    int e = 0;
    for (int j = 0; j < o; ++j, left += stride, right += stride) {
        while (e >= o) {
            sourceLeft += stride;
            sourceRight += stride;
            e -= o;
        }
        *left = *sourceLeft;
        *right = *sourceRight;
        e += h;
    }
}

}  // namespace

int SideDoors::frame(const PictureFrameBlock& block) {
    const int w = block.width;
    const int h = block.height;
    const std::int64_t elapsed = block.elapsed;
    const int e = static_cast<int>(elapsed * w / block.duration);
    if (e <= 1) {
        copyPicture(block, block.from);
        return 0;
    }
    const int n = (w - 2 * (e / 2)) / 2;  // width of each door
    // e with its lowest bit cleared; an odd width (never a stage) gives the
    // strip the column the doors cannot share.
    const int strip = w - 2 * n;
    const int depth = static_cast<int>((elapsed * h / block.duration) & ~std::int64_t{1}) / 2 / 2;

    for (int r = 0; r < h; ++r) {
        copyPixels(rowOf(block.out, w, r) + n, rowOf(block.to, w, r) + n, strip);
    }
    // The source column advances by w / 2 per n door columns, kept as a
    // running remainder.
    int a = 0;
    int accumulator = 0;
    for (int i = 0; i < n; ++i) {
        while (accumulator >= n) {
            ++a;
            accumulator -= n;
        }
        const int inset = static_cast<int>(std::int64_t{i} * depth / n);
        drawDoorColumns(block.out, block.from, w, h, i, a, inset);
        accumulator += w / 2;
    }
    if (depth == 0) {
        return 0;
    }
    // The corners above and below the doors' inner edges, widest at the
    // picture's edge.
    auto corner = [&](int r, int k) {
        Pixel* out = rowOf(block.out, w, r);
        const Pixel* to = rowOf(block.to, w, r);
        copyPixels(out + (n - k), to + (n - k), k);
        copyPixels(out + n + strip, to + n + strip, k);
    };
    for (int r = 0; r < depth; ++r) {
        corner(r, static_cast<int>(std::int64_t{n} * (depth - r) / depth));
    }
    for (int r = h - depth; r < h; ++r) {
        corner(r, static_cast<int>(std::int64_t{n} * (r - (h - depth)) / depth));
    }
    return 0;
}

}  // namespace effects
