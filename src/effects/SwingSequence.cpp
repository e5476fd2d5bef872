#include "effects/SwingSequence.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "effects/PictureRows.h"

namespace effects {

namespace {

// Degrees to radians with pi taken as 3.1416, as the lid has always swung.
constexpr double DEGREE = 0.017453333333333335;

constexpr Pixel COLOUR_BYTES = 0x00FFFFFFu;

// Colour bytes of `source` into `out`, keeping out's fourth byte.
inline void putColour(Pixel& out, Pixel source) {
    out = (out & ~COLOUR_BYTES) | (source & COLOUR_BYTES);
}

// `count` output pixels, pixel i taking source pixel i * step / divisor;
// the running remainder saves a division per pixel.
void resampleRow(Pixel* out, const Pixel* source, std::int64_t count, std::int64_t step,
                 std::int64_t divisor) {
    std::int64_t e = 0;
    const Pixel* s = source;
    for (std::int64_t i = 0; i < count; ++i) {
        while (e >= divisor) {
            ++s;
            e -= divisor;
        }
        putColour(out[i], *s);
        e += step;
    }
}

// Lid leaning away: a trapezoid from the hinge down to its free edge.
void drawAway(const PictureFrameBlock& block, double theta) {
    const std::int64_t w = block.width;
    const std::int64_t h = block.height;
    const std::int64_t d = w * 25 / 10;  // viewing distance
    const std::int64_t g = static_cast<std::int64_t>(h * std::sin(theta)) + d;
    const std::int64_t e = d * w / g;  // width of the free edge
    // At 90 degrees pi = 3.1416 leaves the cosine a hair below 0: the lid
    // has no height, never a negative one.
    const std::int64_t lid =
        std::clamp<std::int64_t>(d * static_cast<std::int64_t>(h * std::cos(theta)) / g, 0, h);
    const std::int64_t k = (w - e) / 2;
    copyPixels(block.out, block.from, (h - lid) * w);
    for (std::int64_t j = 0; j < lid; ++j) {
        const int r = static_cast<int>(h - lid + j);
        const std::int64_t x = (lid - j) * k / lid;
        Pixel* out = rowOf(block.out, static_cast<int>(w), r);
        const Pixel* from = rowOf(block.from, static_cast<int>(w), r);
        copyPixels(out, from, x);
        copyPixels(out + (w - x), from + (w - x), x);
        resampleRow(out + x, rowOf(block.to, static_cast<int>(w), static_cast<int>(j * h / lid)),
                    w - 2 * x, w, w - 2 * x);
    }
}

// Lid leaning toward the viewer: wider than the screen at its free edge,
// seen through the screen's width; what hangs below the screen is cut off.
void drawToward(const PictureFrameBlock& block, double theta) {
    const std::int64_t w = block.width;
    const std::int64_t h = block.height;
    const std::int64_t d = w * 25 / 10;
    // A frame more than 2.5 times as high as wide would put the free edge
    // behind the eye; hold it just in front instead of dividing by zero.
    const std::int64_t g =
        std::max<std::int64_t>(d - static_cast<std::int64_t>(h * std::sin(theta)), 1);
    // 0 on frames a few rows high: no lid row, all `from`.
    const std::int64_t f = d * static_cast<std::int64_t>(h * std::cos(theta)) / g;
    std::int64_t v = (d * w / g - w) / 2;  // overhang of the free edge
    std::int64_t first = 0;
    std::int64_t top = 0;  // first output row of the lid
    if (f > h) {
        v = h * v / f;
        first = h * (f - h) / f;
    }
    if (f < h) {
        top = h - f;
        copyPixels(block.out, block.from, top * w);
    }
    const std::int64_t rows = std::min(h, f);
    for (std::int64_t j = 0; j < rows; ++j) {
        const std::int64_t overhang = (f * v - j * v) / f;
        const std::int64_t span = w + 2 * overhang;
        const Pixel* source =
            rowOf(block.to, static_cast<int>(w), static_cast<int>(first + j * h / f));
        resampleRow(rowOf(block.out, static_cast<int>(w), static_cast<int>(top + j)),
                    source + w * overhang / span, w, w, span);
    }
}

}  // namespace

SwingSequence::Pose SwingSequence::poseAt(int p) {
    // Products first, then the division, truncating toward zero.
    if (p < 0 || p > 100) {
        return {Lean::Off, 0};
    }
    if (p <= 16) {
        return {Lean::Away, 90 - p * p * 90 / 324};
    }
    if (p <= 48) {
        return {Lean::Toward, (32 - p) * (p - 32) * 80 / 256 + 80};
    }
    if (p <= 64) {
        return {Lean::Away, (56 - p) * (p - 56) * 50 / 64 + 50};
    }
    if (p <= 86) {
        return {Lean::Toward, (75 - p) * (p - 75) * 55 / 121 + 55};
    }
    if (p <= 90) {
        return {Lean::Away, (90 - p) * (p - 90) * 20 / 16 + 20};
    }
    return {Lean::Away, (90 - p) * (p - 90) * 20 / 100 + 20};
}

int SwingSequence::frame(const PictureFrameBlock& block) {
    const Pose pose = poseAt(percentProgress(block));
    const double theta = pose.angle * DEGREE;
    switch (pose.lean) {
        case Lean::Away:
            if (pose.angle == 0) {
                copyPicture(block, block.to);  // the lid lies flat
            } else {
                drawAway(block, theta);
            }
            break;
        case Lean::Toward:
            drawToward(block, theta);
            break;
        case Lean::Off:
            break;
    }
    return 0;
}

}  // namespace effects
