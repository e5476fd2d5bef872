#include "effects/ClockWipe.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "effects/EffectTables.h"
#include "effects/PictureRows.h"

namespace effects {

namespace {

constexpr double RADIANS_PER_DEGREE = 0.017453292519943295;

// The quarter the hand sweeps in, clockwise from 12 o'clock.
enum Quadrant { UpperRight, LowerRight, LowerLeft, UpperLeft };

// The sweep inside the current quadrant: at distance k from the ray the
// quadrant starts on, min(tip * k / half, limit) pixels are swept, where
// tip is the hand's offset at the picture's edge (distance `half`).
struct PartialSweep {
    std::int64_t tip;
    int half;

    int swept(int k, int limit) const {
        return static_cast<int>(std::min<std::int64_t>(tip * k / half, limit));
    }
    // The first distance at which more than `depth` pixels are swept, or
    // `end` when none up to it is.
    int firstBeyond(int depth, int end) const {
        if (tip <= 0) {
            return end;
        }
        const std::int64_t k = (std::int64_t{depth + 1} * half + tip - 1) / tip;
        return static_cast<int>(std::min<std::int64_t>(k, end));
    }
};

}  // namespace

int ClockWipe::frame(const PictureFrameBlock& block) {
    const int d = static_cast<int>(std::int64_t{block.elapsed} * 360 / block.duration);
    const int w = block.width;
    const int h = block.height;
    if (d >= 360) {
        copyPicture(block, block.to);
        return 0;
    }
    const bool clockwise = block.direction == DirRight;
    const int passed = d / 90;
    const double t = std::tan((d % 90) * RADIANS_PER_DEGREE);
    const int cx = w / 2;
    const int cy = h / 2;
    // Pictures one pixel wide or high: keep the divisions defined.
    const PartialSweep vertical{static_cast<std::int64_t>(t * (h / 2)), std::max(h / 2, 1)};
    const PartialSweep horizontal{static_cast<std::int64_t>(t * (w / 2)), std::max(w / 2, 1)};
    const auto full = [passed](Quadrant q) { return passed > q; };
    const auto current = [passed](Quadrant q) { return passed == q; };

    for (int row = 0; row < h; ++row) {
        Pixel* out = rowOf(block.out, w, row);
        copyPixels(out, rowOf(block.from, w, row), w);
        // Swept columns of the row in the clockwise picture: one span left
        // of the centre column and one from it rightward.
        int leftBegin = cx;
        int leftEnd = cx;
        int rightBegin = cx;
        int rightEnd = cx;
        if (row >= cy) {
            const int k = row - cy;  // height above the centre
            if (full(UpperRight)) {
                rightEnd = w;
            } else if (current(UpperRight)) {
                rightEnd = cx + vertical.swept(k, w - cx);
            }
            // The hand comes back up from 9 o'clock: column cx - 1 - j is
            // swept up to horizontal.swept(j) rows above the centre.
            if (current(UpperLeft)) {
                leftBegin = 0;
                leftEnd = cx - horizontal.firstBeyond(k, cx);
            }
        } else {
            const int k = cy - 1 - row;  // depth below the centre
            if (full(LowerRight)) {
                rightEnd = w;
            } else if (current(LowerRight)) {
                rightBegin = cx + horizontal.firstBeyond(k, w - cx);
                rightEnd = w;
            }
            if (full(LowerLeft)) {
                leftBegin = 0;
            } else if (current(LowerLeft)) {
                leftBegin = cx - vertical.swept(k, cx);
            }
        }
        const Pixel* to = rowOf(block.to, w, row);
        const auto sweep = [&](int begin, int end) {
            // Counter-clockwise is the mirror image.
            if (!clockwise) {
                std::swap(begin, end);
                begin = w - begin;
                end = w - end;
            }
            copyPixels(out + begin, to + begin, end - begin);
        };
        sweep(leftBegin, leftEnd);
        sweep(rightBegin, rightEnd);
    }
    return 0;
}

}  // namespace effects
