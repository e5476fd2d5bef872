#include "effects/PaperRuns.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PAPER_RUNS_AVX2 1
#endif

namespace effects {

namespace {

bool paperAt(const TableRun& run, const PaperLayer& layer, int step, int column, Pixel& pixel) {
    const unsigned x = static_cast<unsigned>(column + layer.x[step]);
    const unsigned y = static_cast<unsigned>(run.row + layer.y[step]);
    if (x >= static_cast<unsigned>(run.pageWidth) || y >= static_cast<unsigned>(run.pageHeight)) {
        return false;
    }
    pixel = shadePixel(run.paper[std::size_t{y} * static_cast<std::size_t>(run.stride) + x],
                       layer.shade[step]);
    return true;
}

int tableStep(const TableRun& run, int i) {
    const std::int64_t q = std::int64_t{run.q} - std::int64_t{i} * run.qStep;
    return std::clamp(static_cast<int>(q >> 16), run.firstStep, run.lastStep);
}

Pixel tablePixel(const TableRun& run, int i) {
    const int step = tableStep(run, i);
    const int column = run.column + i;
    Pixel pixel = 0;
    if (paperAt(run, run.first, step, column, pixel)) {
        return pixel;
    }
    if (run.second != nullptr && paperAt(run, *run.second, step, column, pixel)) {
        return pixel;
    }
    return run.under[i];
}

// One layer over a group of TABLE_GROUP pixels: where its paper lay and its
// shade at the group's first pixel and at the first pixel past it. Between
// them both move nearly linearly, so the group takes them by interpolation
// instead of one look-up per pixel.
struct GroupEnds {
    std::int32_t x0, dx, y0, dy, mul0, dmul, add0, dadd;
};

constexpr int TABLE_GROUP = 8;
constexpr int GROUP_SHIFT = 3;
// Beyond this many pixels of paper per pixel shown (near the rim) the bend
// is too far from linear: such groups look every pixel up.
constexpr std::int32_t GROUP_REACH = 6 * TABLE_GROUP;

bool groupEnds(const PaperLayer& layer, int step0, int step1, GroupEnds& ends) {
    const std::int32_t x0 = layer.x[step0];
    const std::int32_t x1 = layer.x[step1];
    const std::int32_t y0 = layer.y[step0];
    const std::int32_t y1 = layer.y[step1];
    const auto far = [](std::int32_t a, std::int32_t b) {
        return a - b > GROUP_REACH || b - a > GROUP_REACH;
    };
    // No-paper marks are far from every place.
    if (far(x0, x1) || far(y0, y1) || x0 <= -FAST_SIDE || y0 <= -FAST_SIDE) {
        return false;
    }
    const auto mul = [](PackedShade s) { return static_cast<std::int32_t>(s & 0xFFFFu); };
    const auto add = [](PackedShade s) { return static_cast<std::int32_t>(s >> 16); };
    const PackedShade s0 = layer.shade[step0];
    const PackedShade s1 = layer.shade[step1];
    ends = {x0, x1 - x0, y0, y1 - y0, mul(s0), mul(s1) - mul(s0), add(s0), add(s1) - add(s0)};
    return true;
}

// v0 + (v1 - v0) * k / TABLE_GROUP, rounded.
inline std::int32_t between(std::int32_t v0, std::int32_t dv, int k) {
    return (v0 * TABLE_GROUP + TABLE_GROUP / 2 + dv * k) >> GROUP_SHIFT;
}

// The same rounded down: a shade between two that keep every byte within
// 255 does too.
inline std::int32_t shadeBetween(std::int32_t v0, std::int32_t dv, int k) {
    return (v0 * TABLE_GROUP + dv * k) >> GROUP_SHIFT;
}

// Whether a group of the run starting at pixel i can be interpolated; if so
// the ends of its layers (the second only where the run has one).
bool tableGroup(const TableRun& run, int i, GroupEnds& first, GroupEnds& second) {
    const int step0 = tableStep(run, i);
    const int step1 = tableStep(run, i + TABLE_GROUP);
    return groupEnds(run.first, step0, step1, first) &&
           (run.second == nullptr || groupEnds(*run.second, step0, step1, second));
}

bool groupPaperAt(const TableRun& run, const GroupEnds& ends, int i, int k, Pixel& pixel) {
    const unsigned x = static_cast<unsigned>(run.column + i + k + between(ends.x0, ends.dx, k));
    const unsigned y = static_cast<unsigned>(run.row + between(ends.y0, ends.dy, k));
    if (x >= static_cast<unsigned>(run.pageWidth) || y >= static_cast<unsigned>(run.pageHeight)) {
        return false;
    }
    const PackedShade shade =
        packShade(static_cast<unsigned>(shadeBetween(ends.mul0, ends.dmul, k)),
                  static_cast<unsigned>(shadeBetween(ends.add0, ends.dadd, k)));
    pixel = shadePixel(run.paper[std::size_t{y} * static_cast<std::size_t>(run.stride) + x], shade);
    return true;
}

// Pixels [i, i + count) of the run, count at most TABLE_GROUP, starting a group.
void tableGroupPlain(const TableRun& run, int i, int count) {
    GroupEnds first{};
    GroupEnds second{};
    if (!tableGroup(run, i, first, second)) {
        for (int k = 0; k < count; ++k) {
            run.out[i + k] = tablePixel(run, i + k);
        }
        return;
    }
    for (int k = 0; k < count; ++k) {
        Pixel pixel = run.under[i + k];
        if (!groupPaperAt(run, first, i, k, pixel) && run.second != nullptr) {
            groupPaperAt(run, second, i, k, pixel);
        }
        run.out[i + k] = pixel;
    }
}

}  // namespace

void tableRunPlain(const TableRun& run) {
    for (int i = 0; i < run.count; i += TABLE_GROUP) {
        tableGroupPlain(run, i, std::min(TABLE_GROUP, run.count - i));
    }
}

void lineRunPlain(const LineRun& run) {
    std::int64_t x = run.x;
    std::int64_t y = run.y;
    for (int i = 0; i < run.count; ++i, x += run.xStep, y += run.yStep) {
        const std::size_t place =
            static_cast<std::size_t>(y >> 32) * static_cast<std::size_t>(run.stride) +
            static_cast<std::size_t>(x >> 32);
        run.out[i] = shadePixel(run.paper[place], run.shade);
    }
}

void shadowRunPlain(const ShadowRun& run) {
    for (int i = 0; i < run.count; ++i) {
        const std::int64_t q = std::int64_t{run.q} - std::int64_t{i} * run.qStep;
        const int step = std::clamp(static_cast<int>(q >> 16), run.firstStep, run.lastStep);
        run.out[i] = shadePixel(run.under[i], packShade(shadowMul(run, step), 0));
    }
}

#if defined(PAPER_RUNS_AVX2)

namespace {

// The shading of eight pixels: per-lane constants, in 16-bit halves.
struct ShadeLanes {
    __m256i mulTwice;   // byte pattern: the shade's mul in both halves
    __m256i addThrice;  // byte pattern: its add in the three colour bytes
    __m256i lowBytes;   // the low byte of each half
    __m256i fourth;     // 256 in the high halves: keeps the fourth byte
};

__attribute__((target("avx2"))) ShadeLanes shadeLanes() {
    return {_mm256_setr_epi8(0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13, 0, 1, 0, 1, 4, 5,
                             4, 5, 8, 9, 8, 9, 12, 13, 12, 13),
            _mm256_setr_epi8(2, 2, 2, -1, 6, 6, 6, -1, 10, 10, 10, -1, 14, 14, 14, -1, 2, 2, 2, -1,
                             6, 6, 6, -1, 10, 10, 10, -1, 14, 14, 14, -1),
            _mm256_set1_epi32(0x00FF00FF), _mm256_set1_epi32(0x01000000)};
}

// shadePixel on eight pixels with their packed shades: the colour bytes
// multiplied in 16-bit halves, blue and red in the low bytes, green and
// the fourth byte (times 256) in the high ones.
__attribute__((target("avx2"), always_inline)) inline __m256i shadeEight(const ShadeLanes& lanes,
                                                                         __m256i p, __m256i shade) {
    const __m256i mul = _mm256_shuffle_epi8(shade, lanes.mulTwice);
    const __m256i blueRed =
        _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_and_si256(p, lanes.lowBytes), mul), 8);
    const __m256i greenFourth = _mm256_andnot_si256(
        lanes.lowBytes,
        _mm256_mullo_epi16(_mm256_srli_epi16(p, 8), _mm256_blend_epi16(mul, lanes.fourth, 0xAA)));
    return _mm256_add_epi32(_mm256_or_si256(blueRed, greenFourth),
                            _mm256_shuffle_epi8(shade, lanes.addThrice));
}

// Pixel places of four 32.32 points of a line run. The run lies on the page,
// so no place is negative and a logical shift takes the whole pixels.
__attribute__((target("avx2"))) __m256i linePlaces(__m256i x, __m256i y, __m256i stride) {
    return _mm256_add_epi64(_mm256_mul_epu32(_mm256_srli_epi64(y, 32), stride),
                            _mm256_srli_epi64(x, 32));
}

// Whether packed places a and b, the ends of a group, are close enough for
// the plain loop to interpolate and both within LANE_REACH (the start was
// the end of the group before: a FAR_PLACE there lies far from b).
inline bool groupInLanes(std::int32_t a, std::int32_t b) {
    const auto near = [](int v) {
        return static_cast<unsigned>(v + GROUP_REACH) <= static_cast<unsigned>(2 * GROUP_REACH);
    };
    return b != FAR_PLACE &&
           near(static_cast<std::int16_t>(b & 0xFFFF) - static_cast<std::int16_t>(a & 0xFFFF)) &&
           near((b >> 16) - (a >> 16));
}

// The lanes of a table run that stay the same along it.
struct RunLanes {
    __m256i k2;         // 16-bit halves: k, twice over, for the pixel's place in the group
    __m256i size;       // 16-bit halves: the page's width and height
    __m256i oneStride;  // 16-bit halves: 1 and the row length, for places in the picture
    __m256i half;       // rounding of interpolated places
    __m256i minusOne;
    __m256i index;  // 0 to 7
    ShadeLanes shading;
    const int* paper;
};

__attribute__((target("avx2"))) RunLanes runLanes(const TableRun& run) {
    return {_mm256_setr_epi16(0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7),
            _mm256_set1_epi32(static_cast<int>(static_cast<std::uint32_t>(run.pageWidth) |
                                               static_cast<std::uint32_t>(run.pageHeight) << 16)),
            _mm256_set1_epi32(static_cast<int>(1u | static_cast<std::uint32_t>(run.stride) << 16)),
            _mm256_set1_epi16(TABLE_GROUP / 2),
            _mm256_set1_epi32(-1),
            _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7),
            shadeLanes(),
            reinterpret_cast<const int*>(run.paper)};
}

// A layer's paper for eight pixels at their places on the page (x and y in
// 16-bit halves), shaded: `on` tells the pixels still open whose place lies
// on the page; the others hold anything.
__attribute__((target("avx2"), always_inline)) inline __m256i paperLanes(
    const RunLanes& lanes, __m256i place, __m256i shade, __m256i open, __m256i& on) {
    const __m256i inside = _mm256_and_si256(_mm256_cmpgt_epi16(lanes.size, place),
                                            _mm256_cmpgt_epi16(place, lanes.minusOne));
    on = _mm256_and_si256(open, _mm256_cmpeq_epi32(inside, lanes.minusOne));
    const __m256i p = _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), lanes.paper,
                                                  _mm256_madd_epi16(place, lanes.oneStride), on, 4);
    return shadeEight(lanes.shading, p, shade);
}

// v0 + (v1 - v0) * k / 8 in 16-bit halves, with `half` added before the
// division (rounded) or zero (rounded down), as the plain loop does in 32
// bits.
__attribute__((target("avx2"), always_inline)) inline __m256i betweenLanes(const RunLanes& lanes,
                                                                           __m256i v0, __m256i v1,
                                                                           __m256i half) {
    return _mm256_srai_epi16(
        _mm256_add_epi16(_mm256_add_epi16(_mm256_slli_epi16(v0, GROUP_SHIFT), half),
                         _mm256_mullo_epi16(_mm256_sub_epi16(v1, v0), lanes.k2)),
        GROUP_SHIFT);
}

// Places and shades of one layer for the eight pixels of a group.
struct LayerLanes {
    __m256i place, shade;
};

// The pixels of a table run the fast loop works on: where they go, what
// lies under them, the lanes of the group that belong to the run (all but
// at its end) and the table's layers.
struct GroupTarget {
    Pixel* out;
    const Pixel* under;
    int left;  // pixels of the run from the group's first on: all eight lanes belong to it from 8
};

// A layer's group ends for the eight groups of a block, in 16-bit halves:
// place (times 8, rounded) and shade (times 8) at each group's first pixel,
// and their change over the group.
struct BlockLayer {
    __m256i placeBase, placeChange, shadeBase, shadeChange;
};

// Group g of a block (g in all lanes) at its pixels.
struct BlockGroup {
    const BlockLayer& layer;
    __m256i g;
    __m256i columnRow;
};

__attribute__((target("avx2"), always_inline)) inline LayerLanes layerOf(const RunLanes& lanes,
                                                                         const BlockGroup& group) {
    const auto at = [&](__m256i base, __m256i change) __attribute__((target("avx2"))) {
        return _mm256_srai_epi16(
            _mm256_add_epi16(
                _mm256_permutevar8x32_epi32(base, group.g),
                _mm256_mullo_epi16(_mm256_permutevar8x32_epi32(change, group.g), lanes.k2)),
            GROUP_SHIFT);
    };
    return {_mm256_add_epi16(group.columnRow, at(group.layer.placeBase, group.layer.placeChange)),
            at(group.layer.shadeBase, group.layer.shadeChange)};
}

__attribute__((target("avx2"), always_inline)) inline LayerLanes layerOf(const RunLanes&,
                                                                         const LayerLanes& layer) {
    return layer;
}

// What a group shows given its layers: each takes the pixels still open
// that it has paper for; what lies under is read only where none has. The
// second layer (TWO) is made only where the first leaves pixels open.
template <bool TWO, typename Second>
__attribute__((target("avx2"), always_inline)) inline void storeGroup(const RunLanes& lanes,
                                                                      const GroupTarget& target,
                                                                      const LayerLanes& first,
                                                                      const Second& second) {
    __m256i on;
    __m256i result = paperLanes(lanes, first.place, first.shade, lanes.minusOne, on);
    __m256i open = _mm256_andnot_si256(on, lanes.minusOne);
    if (TWO && !_mm256_testz_si256(open, open)) {
        const LayerLanes layer = layerOf(lanes, second);
        const __m256i more = paperLanes(lanes, layer.place, layer.shade, open, on);
        result = _mm256_blendv_epi8(result, more, on);
        open = _mm256_andnot_si256(on, open);
    }
    if (target.left >= TABLE_GROUP) {
        if (!_mm256_testz_si256(open, open)) {
            result = _mm256_blendv_epi8(
                result, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(target.under)), open);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(target.out), result);
        return;
    }
    const __m256i keep = _mm256_cmpgt_epi32(_mm256_set1_epi32(target.left), lanes.index);
    const auto* under = reinterpret_cast<const int*>(target.under);
    result = _mm256_blendv_epi8(result, _mm256_maskload_epi32(under, _mm256_and_si256(open, keep)),
                                open);
    _mm256_maskstore_epi32(reinterpret_cast<int*>(target.out), keep, result);
}

// A group near the rim, where the paper moves too fast to interpolate: each
// pixel's layers looked up at its own step (q is the group's first pixel's,
// which the lanes step on by qStep), as the plain loop does. False (nothing
// written) where an entry lies beyond the lanes.
template <bool TWO>
__attribute__((target("avx2"))) bool rimGroup(const RunLanes& lanes, const TableRun& run,
                                              const GroupTarget& target, std::int32_t q,
                                              __m256i columnRow) {
    const __m256i qLanes = _mm256_sub_epi32(
        _mm256_set1_epi32(q), _mm256_mullo_epi32(_mm256_set1_epi32(run.qStep),
                                                 _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)));
    const __m256i step = _mm256_min_epi32(
        _mm256_max_epi32(_mm256_srai_epi32(qLanes, 16), _mm256_set1_epi32(run.firstStep)),
        _mm256_set1_epi32(run.lastStep));
    const __m256i far = _mm256_set1_epi32(FAR_PLACE);
    LayerLanes layers[2] = {};
    for (int l = 0; l < (TWO ? 2 : 1); ++l) {
        const PaperLayer& layer = l == 0 ? run.first : *run.second;
        const __m256i xy = _mm256_i32gather_epi32(layer.xy, step, 4);
        if (!_mm256_testz_si256(_mm256_cmpeq_epi32(xy, far), lanes.minusOne)) {
            return false;
        }
        layers[l] = {_mm256_add_epi16(columnRow, xy),
                     _mm256_i32gather_epi32(reinterpret_cast<const int*>(layer.shade), step, 4)};
    }
    storeGroup<TWO>(lanes, target, layers[0], layers[1]);
    return true;
}

// The group ends of a layer for a block of eight groups, from the table's
// entries at the groups' last steps (`end`) and the step before the block
// (`before`); which groups the lanes take (their ends close enough and
// within reach) in `fits`.
__attribute__((target("avx2"), always_inline)) inline BlockLayer blockLayer(
    const RunLanes& lanes, const std::int32_t* places, const PackedShade* shades, __m256i end,
    int before, __m256i& fits) {
    const __m256i previous = _mm256_setr_epi32(7, 0, 1, 2, 3, 4, 5, 6);
    const auto* shadeWords = reinterpret_cast<const int*>(shades);
    const __m256i place1 = _mm256_i32gather_epi32(places, end, 4);
    const __m256i shade1 = _mm256_i32gather_epi32(shadeWords, end, 4);
    const __m256i place0 = _mm256_blend_epi32(_mm256_permutevar8x32_epi32(place1, previous),
                                              _mm256_set1_epi32(places[before]), 1);
    const __m256i shade0 = _mm256_blend_epi32(_mm256_permutevar8x32_epi32(shade1, previous),
                                              _mm256_set1_epi32(shadeWords[before]), 1);
    const __m256i placeChange = _mm256_sub_epi16(place1, place0);
    // As groupInLanes: no FAR_PLACE at either end, x and y within reach.
    const __m256i far = _mm256_set1_epi32(FAR_PLACE);
    const __m256i near =
        _mm256_cmpgt_epi16(_mm256_set1_epi16(GROUP_REACH + 1), _mm256_abs_epi16(placeChange));
    fits = _mm256_and_si256(
        fits, _mm256_andnot_si256(
                  _mm256_or_si256(_mm256_cmpeq_epi32(place0, far), _mm256_cmpeq_epi32(place1, far)),
                  _mm256_cmpeq_epi32(near, lanes.minusOne)));
    return {_mm256_add_epi16(_mm256_slli_epi16(place0, GROUP_SHIFT), lanes.half), placeChange,
            _mm256_slli_epi16(shade0, GROUP_SHIFT), _mm256_sub_epi16(shade1, shade0)};
}

// tableRunFast for runs of one layer (TWO false) or two, in blocks of eight
// groups whose ends are looked up together.
template <bool TWO>
__attribute__((target("avx2"))) void tableRunLanes(const TableRun& run) {
    const RunLanes lanes = runLanes(run);
    // Column and row of each pixel of the group on the page.
    __m256i columnRow = _mm256_add_epi32(
        _mm256_set1_epi32(static_cast<int>(static_cast<std::uint32_t>(run.column) |
                                           static_cast<std::uint32_t>(run.row) << 16)),
        lanes.index);
    const __m256i groupStep = _mm256_set1_epi32(TABLE_GROUP);
    // The run's fields as locals: the stores below may not change them.
    Pixel* const out = run.out;
    const Pixel* const under = run.under;
    const int count = run.count;
    const std::int64_t groupQ = std::int64_t{TABLE_GROUP} * run.qStep;
    const __m256i firstStep = _mm256_set1_epi32(run.firstStep);
    const __m256i lastStep = _mm256_set1_epi32(run.lastStep);
    // The last steps of a block's groups, q falling by qStep a pixel, in
    // 32-bit lanes that wrap where q runs on past the run's end: such steps
    // are only clamped, never shown.
    const __m256i endQ =
        _mm256_mullo_epi32(_mm256_add_epi32(lanes.index, _mm256_set1_epi32(1)),
                           _mm256_set1_epi32(static_cast<std::int32_t>(
                               static_cast<std::uint32_t>(static_cast<std::uint64_t>(groupQ)))));
    // q of the block's first pixel; the end of a group is the start of the next.
    std::int64_t q = run.q;
    int before = std::clamp(static_cast<int>(q >> 16), run.firstStep, run.lastStep);
    for (int i = 0; i < count; i += 8 * TABLE_GROUP) {
        const __m256i end = _mm256_min_epi32(
            _mm256_max_epi32(
                _mm256_srai_epi32(
                    _mm256_sub_epi32(_mm256_set1_epi32(static_cast<std::int32_t>(q)), endQ), 16),
                firstStep),
            lastStep);
        __m256i fitsLanes = lanes.minusOne;
        const BlockLayer first =
            blockLayer(lanes, run.first.xy, run.first.shade, end, before, fitsLanes);
        BlockLayer second = first;
        if (TWO) {
            second = blockLayer(lanes, run.second->xy, run.second->shade, end, before, fitsLanes);
        }
        {
            // The paper of a bend lies along a curve across many rows of the
            // picture, which the processor cannot see coming; the next row
            // reads the same curve moved by nextRow. Ask for it at the
            // groups' first pixels (a place off the picture costs a look-up).
            const __m256i starts =
                _mm256_add_epi32(_mm256_permutevar8x32_epi32(columnRow, _mm256_setzero_si256()),
                                 _mm256_slli_epi32(lanes.index, 3));
            const __m256i ahead = _mm256_add_epi32(
                _mm256_madd_epi16(
                    _mm256_add_epi16(starts, _mm256_srai_epi16(first.placeBase, GROUP_SHIFT)),
                    lanes.oneStride),
                _mm256_set1_epi32(run.nextRow));
            alignas(32) std::int32_t places[8];
            _mm256_store_si256(reinterpret_cast<__m256i*>(places), ahead);
            for (const std::int32_t place : places) {
                __builtin_prefetch(reinterpret_cast<const void*>(
                    reinterpret_cast<std::uintptr_t>(run.paper) +
                    static_cast<std::uintptr_t>(static_cast<std::intptr_t>(place)) *
                        sizeof(Pixel)));
            }
        }
        const int fits = _mm256_movemask_ps(_mm256_castsi256_ps(fitsLanes));
        before = _mm256_extract_epi32(end, 7);
        const int groups = std::min(8, (count - i + TABLE_GROUP - 1) / TABLE_GROUP);
        for (int g = 0; g < groups; ++g, columnRow = _mm256_add_epi32(columnRow, groupStep)) {
            const int at = i + g * TABLE_GROUP;
            const GroupTarget target{out + at, under + at, count - at};
            if (fits >> g & 1) {
                const __m256i lane = _mm256_set1_epi32(g);
                storeGroup<TWO>(lanes, target, layerOf(lanes, BlockGroup{first, lane, columnRow}),
                                BlockGroup{second, lane, columnRow});
            } else if (!rimGroup<TWO>(lanes, run, target, static_cast<std::int32_t>(q - g * groupQ),
                                      columnRow)) {
                tableGroupPlain(run, at, std::min(count - at, TABLE_GROUP));
            }
        }
        q -= 8 * groupQ;
    }
}

}  // namespace

void tableRunFast(const TableRun& run) {
    if (run.second != nullptr) {
        tableRunLanes<true>(run);
    } else {
        tableRunLanes<false>(run);
    }
}

__attribute__((target("avx2"))) void shadowRunFast(const ShadowRun& run) {
    const ShadeLanes shading = shadeLanes();
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    __m256i q = _mm256_sub_epi32(_mm256_set1_epi32(run.q),
                                 _mm256_mullo_epi32(_mm256_set1_epi32(run.qStep), lanes));
    const __m256i qStep8 = _mm256_set1_epi32(8 * run.qStep);
    const __m256i firstStep = _mm256_set1_epi32(run.firstStep);
    const __m256i lastStep = _mm256_set1_epi32(run.lastStep);
    const __m256i depth = _mm256_set1_epi32(run.depth);
    const __m256i full = _mm256_set1_epi32(256);
    const __m128i shift = _mm_cvtsi32_si128(run.shift);
    for (int i = 0; i < run.count; i += 8, q = _mm256_sub_epi32(q, qStep8)) {
        const __m256i step =
            _mm256_min_epi32(_mm256_max_epi32(_mm256_srai_epi32(q, 16), firstStep), lastStep);
        const __m256i g = _mm256_sub_epi32(lastStep, step);
        // The packed shade: mul alone, nothing added.
        const __m256i mul = _mm256_sub_epi32(
            full, _mm256_sra_epi32(_mm256_mullo_epi32(_mm256_mullo_epi32(g, g), depth), shift));
        if (run.count - i >= 8) {
            const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(run.under + i));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(run.out + i),
                                shadeEight(shading, p, mul));
        } else {
            // The end of the run: only its own lanes.
            const __m256i keep = _mm256_cmpgt_epi32(_mm256_set1_epi32(run.count - i), lanes);
            const __m256i p =
                _mm256_maskload_epi32(reinterpret_cast<const int*>(run.under + i), keep);
            _mm256_maskstore_epi32(reinterpret_cast<int*>(run.out + i), keep,
                                   shadeEight(shading, p, mul));
        }
    }
}

__attribute__((target("avx2"))) void lineRunFast(const LineRun& run) {
    const __m256i xStep4 = _mm256_set1_epi64x(4 * run.xStep);
    const __m256i yStep4 = _mm256_set1_epi64x(4 * run.yStep);
    __m256i x =
        _mm256_setr_epi64x(run.x, run.x + run.xStep, run.x + 2 * run.xStep, run.x + 3 * run.xStep);
    __m256i y =
        _mm256_setr_epi64x(run.y, run.y + run.yStep, run.y + 2 * run.yStep, run.y + 3 * run.yStep);
    const __m256i stride = _mm256_set1_epi64x(run.stride);
    const ShadeLanes shading = shadeLanes();
    const __m256i shade = _mm256_set1_epi32(static_cast<int>(run.shade));
    const auto* paper = reinterpret_cast<const int*>(run.paper);
    int i = 0;
    for (; i + 8 <= run.count; i += 8) {
        const __m128i low = _mm256_i64gather_epi32(paper, linePlaces(x, y, stride), 4);
        x = _mm256_add_epi64(x, xStep4);
        y = _mm256_add_epi64(y, yStep4);
        const __m128i high = _mm256_i64gather_epi32(paper, linePlaces(x, y, stride), 4);
        x = _mm256_add_epi64(x, xStep4);
        y = _mm256_add_epi64(y, yStep4);
        const __m256i p = _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(run.out + i), shadeEight(shading, p, shade));
    }
    if (i < run.count) {
        LineRun rest = run;
        rest.out += i;
        rest.count -= i;
        rest.x += i * run.xStep;
        rest.y += i * run.yStep;
        lineRunPlain(rest);
    }
}

bool paperRunsHaveFastPath() {
    return __builtin_cpu_supports("avx2");
}

#else

void tableRunFast(const TableRun& run) {
    tableRunPlain(run);
}

void shadowRunFast(const ShadowRun& run) {
    shadowRunPlain(run);
}

void lineRunFast(const LineRun& run) {
    lineRunPlain(run);
}

bool paperRunsHaveFastPath() {
    return false;
}

#endif

}  // namespace effects
