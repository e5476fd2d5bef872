#include "effects/SideDoors.h"

#include <cstdint>
#include <new>

#include "effects/ColumnSqueeze.h"
#include "effects/PictureRows.h"

namespace effects {

int SideDoors::frame(const PictureFrameBlock& block) {
    const int w = block.width;
    const int h = block.height;
    const std::int64_t elapsed = block.elapsed;
    const int e = static_cast<int>(elapsed * w / block.duration);
    if (e <= 1) {
        copyPicture(block, block.from);
        return 0;
    }
    try {
        columns_.resize(static_cast<std::size_t>(w));
    } catch (const std::bad_alloc&) {
        return 0;  // nothing drawn without a few kilobytes
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
    // running remainder. The rows a door leaves black are all in the
    // corners drawn next.
    int a = 0;
    int accumulator = 0;
    for (int i = 0; i < n; ++i) {
        while (accumulator >= n) {
            ++a;
            accumulator -= n;
        }
        const int inset = static_cast<int>(std::int64_t{i} * depth / n);
        columns_[static_cast<std::size_t>(i)] = {block.from + a, inset};
        columns_[static_cast<std::size_t>(w - 1 - i)] = {block.from + (w - 1 - a), inset};
        accumulator += w / 2;
    }
    squeezeColumns(block.out, w, h, columns_.data(), 0, n);
    squeezeColumns(block.out, w, h, columns_.data(), w - n, w);
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
