#include "effects/DoorSwing.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "effects/ColourBytes.h"
#include "effects/EffectTables.h"
#include "effects/PictureRows.h"

namespace effects {

DoorSwing::Geometry DoorSwing::geometry(int width, int height, int percent) {
    const double theta = percent * 0.015707963;
    const std::int64_t w = width;
    const std::int64_t h = height;
    const std::int64_t distance = 5 * w / 2;
    const std::int64_t aw = static_cast<std::int64_t>(w * std::sin(theta));
    const std::int64_t ah = static_cast<std::int64_t>(h * std::sin(theta));
    Geometry g{};
    g.doorWidth = static_cast<int>(static_cast<std::int64_t>(w * std::cos(theta)) * distance /
                                   (aw + distance));
    g.doorHeight = static_cast<int>(static_cast<std::int64_t>(h * std::cos(theta)) * distance /
                                    (ah + distance));
    g.freeEdgeHeight = static_cast<int>(distance * h / (aw + distance));
    g.verticalMargin = (height - g.freeEdgeHeight) / 2;
    g.horizontalMargin = static_cast<int>((w - distance * w / (ah + distance)) / 2);
    return g;
}

int DoorSwing::frame(const PictureFrameBlock& block) {
    const int p = percentProgress(block);
    if (copyEndPoint(block, p)) {
        return 0;
    }
    const Geometry g = geometry(block.width, block.height, p);
    switch (block.direction) {
        case DirUp:
            drawEdgeHinged(block, g, true);
            break;
        case DirDown:
            drawEdgeHinged(block, g, false);
            break;
        case DirLeft:
            drawSideHinged(block, g, false);
            break;
        default:
            drawSideHinged(block, g, true);
            break;
    }
    return 0;
}

// Door column j of dw covers rows m_j to H - m_j - 1, with m_j shrinking
// linearly from the free edge to the hinge. Any pixel outside it, in the
// door's columns or not, is `to` in place: the outline of the trapezoid
// decides, not separate wedges, so no pixel is left over or drawn twice.
void DoorSwing::drawSideHinged(const PictureFrameBlock& block, const Geometry& g, bool hingeRight) {
    const int w = block.width;
    const int h = block.height;
    const int dw = std::min(g.doorWidth, w);
    if (dw <= 0) {
        copyPicture(block, block.to);
        return;
    }
    const int mv = g.verticalMargin;
    const int doorStart = hingeRight ? w - dw : 0;
    columns_.resize(static_cast<std::size_t>(dw));
    for (int j = 0; j < dw; ++j) {
        DoorColumn& column = columns_[static_cast<std::size_t>(j)];
        const int fromFreeEdge = hingeRight ? dw - j : j;
        column.margin = static_cast<int>(std::int64_t{mv} * fromFreeEdge / dw);
        column.span = h - 2 * column.margin;
        column.step = column.span > 0 ? h / column.span : 0;
        column.fraction = column.span > 0 ? h % column.span : 0;
        column.sourceColumn = static_cast<int>(std::int64_t{j} * w / dw);
        column.row = 0;
        column.remainder = 0;
    }
    for (int row = 0; row < h; ++row) {
        Pixel* out = rowOf(block.out, w, row);
        const Pixel* to = rowOf(block.to, w, row);
        if (hingeRight) {
            copyPixels(out, to, w - dw);
        } else {
            copyPixels(out + dw, to + dw, w - dw);
        }
    }
    // Each door column reads its own source row: a whole output row would
    // touch hundreds of source rows at once. Strips of a few columns, top
    // to bottom, keep the reads within a few cache lines and pages.
    constexpr int STRIP = 64;
    for (int first = 0; first < dw; first += STRIP) {
        const int last = std::min(first + STRIP, dw);
        for (int row = 0; row < h; ++row) {
            Pixel* door = rowOf(block.out, w, row) + doorStart;
            const Pixel* behind = rowOf(block.to, w, row) + doorStart;
            for (int j = first; j < last; ++j) {
                DoorColumn& column = columns_[static_cast<std::size_t>(j)];
                if (row < column.margin || row >= h - column.margin) {
                    door[j] = behind[j];
                    continue;
                }
                // Source row floor((row - margin) * H / span), stepped
                // without a division or a data-dependent branch.
                door[j] =
                    withColourOf(door[j], rowOf(block.from, w, column.row)[column.sourceColumn]);
                column.remainder += column.fraction;
                const int carry = column.remainder >= column.span ? 1 : 0;
                column.remainder -= carry * column.span;
                column.row += column.step + carry;
            }
        }
    }
}

// Door row r of dh covers columns m_r to W - m_r - 1, narrowest at the free
// edge; rows and columns outside the door are `to` in place.
void DoorSwing::drawEdgeHinged(const PictureFrameBlock& block, const Geometry& g, bool hingeTop) {
    const int w = block.width;
    const int h = block.height;
    const int dh = std::min(g.doorHeight, h);
    if (dh <= 0) {
        copyPicture(block, block.to);
        return;
    }
    const int mh = g.horizontalMargin;
    const int doorStart = hingeTop ? h - dh : 0;
    for (int row = 0; row < h; ++row) {
        Pixel* out = rowOf(block.out, w, row);
        const Pixel* to = rowOf(block.to, w, row);
        const int r = row - doorStart;
        if (r < 0 || r >= dh) {
            copyPixels(out, to, w);
            continue;
        }
        const int fromFreeEdge = hingeTop ? dh - r : r;
        const int m = std::clamp(static_cast<int>(std::int64_t{mh} * fromFreeEdge / dh), 0, w / 2);
        const int span = w - 2 * m;
        const Pixel* from = rowOf(block.from, w, static_cast<int>(std::int64_t{r} * h / dh));
        copyPixels(out, to, m);
        copyPixels(out + (w - m), to + (w - m), m);
        int column = 0;
        int remainder = 0;
        for (int x = m; x < w - m; ++x) {
            out[x] = withColourOf(out[x], from[column]);
            remainder += w;
            while (remainder >= span) {
                remainder -= span;
                ++column;
            }
        }
    }
}

}  // namespace effects
