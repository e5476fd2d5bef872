#include "effects/SlideThroughBlack.h"

#include "effects/EffectTables.h"
#include "effects/PictureRows.h"

namespace effects {

namespace {

constexpr Pixel BLACK = 0;

}  // namespace

int SlideThroughBlack::frame(const PictureFrameBlock& block) {
    const int w = block.width;
    const int h = block.height;
    const double x = fractionProgress(block);
    const bool firstHalf = x <= 0.5;
    const Pixel* picture = firstHalf ? block.from : block.to;
    switch (block.direction) {
        case DirUp: {
            // The picture is raised by l rows; black below it.
            const int l = static_cast<int>(firstHalf ? 2 * x * h : 2 * (1 - x) * h);
            for (int row = 0; row < h; ++row) {
                Pixel* out = rowOf(block.out, w, row);
                if (row < l) {
                    fillPixels(out, BLACK, w);
                } else {
                    copyPixels(out, rowOf(picture, w, row - l), w);
                }
            }
            break;
        }
        case DirRight: {
            const int l = static_cast<int>(firstHalf ? 2 * x * w : 2 * (1 - x) * w);
            for (int row = 0; row < h; ++row) {
                Pixel* out = rowOf(block.out, w, row);
                fillPixels(out, BLACK, l);
                copyPixels(out + l, rowOf(picture, w, row), w - l);
            }
            break;
        }
        case DirDown: {
            // The picture is lowered so that only its top l rows show.
            const int l = static_cast<int>(firstHalf ? (0.5 - x) * 2 * h : (x - 0.5) * 2 * h);
            for (int row = 0; row < h; ++row) {
                Pixel* out = rowOf(block.out, w, row);
                if (row < l) {
                    copyPixels(out, rowOf(picture, w, h - l + row), w);
                } else {
                    fillPixels(out, BLACK, w);
                }
            }
            break;
        }
        case DirLeft: {
            const int l = static_cast<int>(firstHalf ? (0.5 - x) * 2 * w : (x - 0.5) * 2 * w);
            for (int row = 0; row < h; ++row) {
                Pixel* out = rowOf(block.out, w, row);
                copyPixels(out, rowOf(picture, w, row) + (w - l), l);
                fillPixels(out + l, BLACK, w - l);
            }
            break;
        }
        default:
            break;
    }
    return 0;
}

}  // namespace effects
