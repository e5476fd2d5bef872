#include "effects/QuadraticWarp.h"

#include <cstdint>
#include <new>

#include "effects/ColumnSqueeze.h"
#include "effects/PictureRows.h"

namespace effects {

namespace {

// The inset of a line at distance h from the front: h^2 * half / length^2.
// 64-bit, so that pictures larger than any stage cannot overflow.
int parabolaInset(int h, int half, int length) {
    const std::int64_t l = length;
    return static_cast<int>(std::int64_t{h} * h * half / (l * l));
}

// Row `source` squeezed into the middle of `out`, `inset` pixels of black on
// either side; output pixel j of the run takes source pixel j * w / n, kept
// as a running remainder so no division is needed per pixel. The fourth
// byte of squeezed pixels is cleared.
void squeezeRow(Pixel* out, const Pixel* source, int w, int inset) {
    const int n = w - 2 * inset;
    if (n <= 0) {
        fillPixels(out, 0, w);
        return;
    }
    fillPixels(out, 0, inset);
    Pixel* run = out + inset;
    int e = 0;
    const Pixel* s = source;
    for (int j = 0; j < n; ++j) {
        while (e >= n) {
            ++s;
            e -= n;
        }
        run[j] = *s & 0x00FFFFFFu;
        e += w;
    }
    fillPixels(out + inset + n, 0, w - inset - n);
}

}  // namespace

int QuadraticWarpA::frame(const PictureFrameBlock& block) {
    const int p = percentProgress(block);
    if (copyEndPoint(block, p)) {
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    const int k = static_cast<int>(std::int64_t{h} * p * 3 / 100);
    auto q = [&](int distance) { return parabolaInset(distance, w / 2, h); };
    auto squeeze = [&](const Pixel* picture, int r, int inset) {
        squeezeRow(rowOf(block.out, w, r), rowOf(picture, w, r), w, inset);
    };
    if (k <= h) {
        for (int r = 0; r < k; ++r) {
            squeeze(block.from, r, q(k - r));
        }
        copyPixels(rowOf(block.out, w, k), rowOf(block.from, w, k),
                   static_cast<std::ptrdiff_t>(h - k) * w);
    } else if (k <= 2 * h) {
        const int a = 2 * h - k;
        const int b = k - h;  // the pinch point
        for (int r = 0; r < b; ++r) {
            squeeze(block.to, r, q(a + r));
        }
        for (int r = b; r < h; ++r) {
            squeeze(block.from, r, q(h - (r - b)));
        }
    } else {
        const int b = k - 2 * h;
        copyPixels(block.out, block.to, static_cast<std::ptrdiff_t>(b) * w);
        for (int r = b; r < h; ++r) {
            squeeze(block.to, r, q(r - b));
        }
    }
    return 0;
}

int QuadraticWarpB::frame(const PictureFrameBlock& block) {
    const int p = percentProgress(block);
    if (copyEndPoint(block, p)) {
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    const int k = static_cast<int>(std::int64_t{w} * p * 3 / 100);
    auto q = [&](int distance) { return parabolaInset(distance, h / 2, w); };
    // A few kilobytes, kept for the next frame; without them nothing is drawn.
    try {
        columns_.resize(static_cast<std::size_t>(w));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    auto squeeze = [&](const Pixel* picture, int x, int inset) {
        columns_[static_cast<std::size_t>(x)] = {picture + x, inset};
    };
    // Columns that keep their picture unchanged, as row spans.
    auto copyColumns = [&](const Pixel* picture, int first, int end) {
        for (int r = 0; r < h; ++r) {
            copyPixels(rowOf(block.out, w, r) + first, rowOf(picture, w, r) + first, end - first);
        }
    };
    if (k <= w) {
        copyColumns(block.from, 0, w - k);
        for (int i = 0; i < k; ++i) {
            squeeze(block.from, w - k + i, q(i));
        }
        squeezeColumns(block.out, w, h, columns_.data(), w - k, w);
    } else if (k <= 2 * w) {
        const int a = k - w;
        for (int x = 0; x < 2 * w - k; ++x) {
            squeeze(block.from, x, q(a + x));
        }
        for (int j = 0; j < k - w; ++j) {
            squeeze(block.to, w - 1 - j, q(2 * w - k + j));
        }
        squeezeColumns(block.out, w, h, columns_.data(), 0, w);
    } else {
        copyColumns(block.to, 3 * w - k, w);
        for (int x = 0; x < 3 * w - k; ++x) {
            squeeze(block.to, x, q(3 * w - k - x));
        }
        squeezeColumns(block.out, w, h, columns_.data(), 0, 3 * w - k);
    }
    return 0;
}

}  // namespace effects
