#include "effects/StripEffects.h"

#include <algorithm>

#include "effects/EffectTables.h"
#include "effects/PictureRows.h"

namespace effects {

namespace {

// Which way the edge of one strip or band travels.
enum class Travel { Up, Down, Left, Right };

// How many rows ahead a row's runs are asked for.
constexpr int FETCH_AHEAD = 6;

// A strip count that means: the whole picture travels down (or right) as one.
constexpr int WHOLE_PICTURE = 0;

// Where one output row of an upward- or downward-moving strip comes from.
const Pixel* verticalSource(const PictureFrameBlock& block, StripEffect::Motion motion,
                            Travel travel, int row, int edge) {
    const int h = block.height;
    const int w = block.width;
    if (travel == Travel::Up) {
        if (row < edge) {
            return rowOf(block.to, w, motion == StripEffect::Motion::Wipe ? row : h - edge + row);
        }
        return rowOf(block.from, w, motion == StripEffect::Motion::Push ? row - edge : row);
    }
    if (row < h - edge) {
        return rowOf(block.from, w, motion == StripEffect::Motion::Push ? row + edge : row);
    }
    return rowOf(block.to, w, motion == StripEffect::Motion::Wipe ? row : row - (h - edge));
}

// One output row of a leftward- or rightward-moving band: the incoming
// picture takes `edge` columns at the side the motion comes from.
void drawRow(Pixel* out, const Pixel* from, const Pixel* to, int w, int edge,
             StripEffect::Motion motion, Travel travel) {
    using Motion = StripEffect::Motion;
    if (travel == Travel::Left) {
        copyPixels(out, motion == Motion::Push ? from + edge : from, w - edge);
        copyPixels(out + (w - edge), motion == Motion::Wipe ? to + (w - edge) : to, edge);
        return;
    }
    copyPixels(out, motion == Motion::Wipe ? to : to + (w - edge), edge);
    if (motion == Motion::Push) {
        copyPixels(out + edge, from, w - edge);
    } else {
        copyPixels(out + edge, from + edge, w - edge);
    }
}

}  // namespace

int StripEffect::frame(const PictureFrameBlock& block) {
    if (copyEndPoint(block, percentProgress(block))) {
        return 0;
    }
    const double x = fractionProgress(block);
    const double ease = motion_ == Motion::Push ? x : x * x * x;
    const int edgeColumns = static_cast<int>(ease * block.width);
    const int edgeRows = static_cast<int>(ease * block.height);
    // A strip count below 1 would split nothing; treat it as one edge.
    const int strips = std::max(block.parameter, 1);
    switch (block.direction) {
        case DirUp:
            drawVertical(block, strips, edgeRows);
            break;
        case DirDown:
            drawVertical(block, WHOLE_PICTURE, edgeRows);
            break;
        case DirLeft:
            drawHorizontal(block, strips, edgeColumns);
            break;
        case DirRight:
            drawHorizontal(block, WHOLE_PICTURE, edgeColumns);
            break;
        default:
            break;
    }
    return 0;
}

// Columns split into strips, even ones (from the left) travelling up and odd
// ones down; or the whole picture travelling down.
void StripEffect::drawVertical(const PictureFrameBlock& block, int strips, int edge) {
    const int w = block.width;
    // The same strips in every row: divide once per frame, not per row.
    stripStarts_.resize(static_cast<std::size_t>(strips) + 1);
    for (int k = 0; k <= strips; ++k) {
        stripStarts_[static_cast<std::size_t>(k)] = bandStart(k, w, std::max(strips, 1));
    }
    spans_.reset(w);
    for (int k = 0; k < strips; ++k) {
        spans_.add(stripStarts_[static_cast<std::size_t>(k)],
                   stripStarts_[static_cast<std::size_t>(k) + 1], k & 1);
    }
    for (int row = 0; row < block.height; ++row) {
        Pixel* out = rowOf(block.out, w, row);
        const Pixel* up = verticalSource(block, motion_, Travel::Up, row, edge);
        const Pixel* down = verticalSource(block, motion_, Travel::Down, row, edge);
        // Where both motions take the same row (the still part of a wipe or
        // cover), one copy does the whole row.
        if (strips == WHOLE_PICTURE || up == down) {
            copyPixels(out, down, w);
            continue;
        }
        // Runs with gaps between them are not fetched ahead by the hardware.
        if (row + FETCH_AHEAD < block.height) {
            spans_.prefetchRow(
                verticalSource(block, motion_, Travel::Up, row + FETCH_AHEAD, edge),
                verticalSource(block, motion_, Travel::Down, row + FETCH_AHEAD, edge));
        }
        spans_.copyRow(out, up, down);
    }
}

// Rows split into bands, even ones (from the bottom) travelling left and odd
// ones right; or the whole picture travelling right.
void StripEffect::drawHorizontal(const PictureFrameBlock& block, int bands, int edge) {
    const int w = block.width;
    const int h = block.height;
    const bool whole = bands == WHOLE_PICTURE;
    for (int k = 0; k < std::max(bands, 1); ++k) {
        const int begin = whole ? 0 : bandStart(k, h, bands);
        const int end = whole ? h : bandStart(k + 1, h, bands);
        const Travel travel = !whole && (k & 1) == 0 ? Travel::Left : Travel::Right;
        for (int row = begin; row < end; ++row) {
            drawRow(rowOf(block.out, w, row), rowOf(block.from, w, row), rowOf(block.to, w, row), w,
                    edge, motion_, travel);
        }
    }
}

}  // namespace effects
