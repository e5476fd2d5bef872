#pragma once

#include <cstdint>

#include "effects/FrameBlocks.h"

namespace effects {

// The pixel loops of the page curl and roll: runs of one row that show the
// lifted paper, read back from where it lay on the outgoing picture and
// shaded. Each loop has a plain version and, where the processor has AVX2,
// a fast one giving the same bytes; the tests hold the two together.

// A shade packed in one word: mul in the low half, add in the high half;
// every colour byte c becomes c * mul / 256 + add, the fourth byte stays.
using PackedShade = std::uint32_t;

constexpr PackedShade packShade(unsigned mul, unsigned add) {
    return mul | add << 16;
}

inline constexpr PackedShade NO_SHADE = packShade(256, 0);

// c * mul / 256 + add per colour byte; mul and add never carry a byte past 255.
inline Pixel shadePixel(Pixel p, PackedShade shade) {
    const Pixel mul = shade & 0xFFFFu;
    const Pixel redBlue = (((p & 0xFF00FFu) * mul) >> 8) & 0xFF00FFu;
    const Pixel green = (((p & 0x00FF00u) * mul) >> 8) & 0x00FF00u;
    return (p & 0xFF000000u) | (redBlue + green + (shade >> 16) * 0x010101u);
}

// One layer of paper per step of a table: where the paper shown at that
// step lay, in pixels from the pixel that shows it, and its shade. Pointers
// are indexed by the step itself, which may be negative.
struct PaperLayer {
    const std::int32_t* x;
    const std::int32_t* y;
    const PackedShade* shade;
    // x and y again as the low and high halves of one word, for the fast
    // loops, or FAR_PLACE.
    const std::int32_t* xy;
};

// The fast loops work on places in 16-bit lanes, eight times as large while
// they interpolate, so they take places up to this many pixels off.
inline constexpr int LANE_REACH = 4095;

// PaperLayer::xy of a place beyond LANE_REACH (or of no paper), which the
// fast loops leave to the plain ones.
inline constexpr std::int32_t FAR_PLACE = static_cast<std::int32_t>(0x80008000u);

// Packs x and y for PaperLayer::xy.
constexpr std::int32_t packPlace(std::int32_t x, std::int32_t y) {
    if (x < -LANE_REACH || x > LANE_REACH || y < -LANE_REACH || y > LANE_REACH) {
        return FAR_PLACE;
    }
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(x) & 0xFFFFu) |
                                     static_cast<std::uint32_t>(y) << 16);
}

// The largest side of a page the fast loops take.
inline constexpr int FAST_SIDE = 8192;

// A run of `count` pixels whose step of the table falls along the row:
// pixel i is at step clamp((q - i * qStep) >> 16, firstStep, lastStep). A
// pixel shows the first layer where its paper lies on the page, else the
// second (if any), else `under`. Groups of eight pixels take the places and
// shades of their layers linearly between the table's entries at the
// group's first pixel and the first pixel past it, except near the rim,
// where the paper moves too fast along the row and each pixel is looked up.
struct TableRun {
    Pixel* out;
    const Pixel* under;
    const Pixel* paper;  // the page's first pixel in the outgoing picture
    int stride;          // pixels per picture row
    int column, row;     // of the first pixel, on the page
    int pageWidth, pageHeight;
    int count;
    std::int32_t q, qStep;  // 16.16 steps
    int firstStep, lastStep;
    PaperLayer first;
    const PaperLayer* second;
    // Where the next row's paper at the same step lies from this row's, in
    // pixels of the picture: the fast loop asks for it ahead.
    int nextRow;
};

// A run of `count` pixels showing paper that lies along a straight line:
// pixel i shows the page's pixel ((x + i * xStep) >> 32, (y + i * yStep) >> 32),
// which the caller has checked lies on the page, with one shade.
struct LineRun {
    Pixel* out;
    const Pixel* paper;
    int stride;
    int count;
    std::int64_t x, y, xStep, yStep;  // 32.32
    PackedShade shade;
};

// A run of `count` pixels of the uncovered picture in the shadow of the
// bend: pixel i, at step clamp((q - i * qStep) >> 16, firstStep, lastStep)
// of the table, shows under[i] darkened by 256 - (depth * g * g >> shift)
// (in 1/256), g = lastStep - step: deepest at the bend, gone at lastStep.
// (depth * g * g) >> shift never passes 256 over the run's steps.
struct ShadowRun {
    Pixel* out;
    const Pixel* under;
    int count;
    std::int32_t q, qStep;  // 16.16 steps
    int firstStep, lastStep;
    int depth, shift;
};

// The shadow's darkening at a step, as ShadowRun describes it.
inline unsigned shadowMul(const ShadowRun& run, int step) {
    const int g = run.lastStep - step;
    return static_cast<unsigned>(256 - ((run.depth * g * g) >> run.shift));
}

void tableRunPlain(const TableRun& run);
void tableRunFast(const TableRun& run);
void lineRunPlain(const LineRun& run);
void lineRunFast(const LineRun& run);
void shadowRunPlain(const ShadowRun& run);
void shadowRunFast(const ShadowRun& run);

// Whether this processor can run the fast versions.
bool paperRunsHaveFastPath();

}  // namespace effects
