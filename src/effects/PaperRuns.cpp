#include "effects/PaperRuns.h"

#include <algorithm>
#include <cstddef>

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

#if defined(PAPER_RUNS_AVX2)

namespace {

// shadePixel on eight pixels.
__attribute__((target("avx2"))) __m256i shadeLanes(__m256i p, __m256i shade) {
    const __m256i mul = _mm256_and_si256(shade, _mm256_set1_epi32(0xFFFF));
    const __m256i add =
        _mm256_mullo_epi32(_mm256_srli_epi32(shade, 16), _mm256_set1_epi32(0x010101));
    const __m256i redBlueMask = _mm256_set1_epi32(0xFF00FF);
    const __m256i greenMask = _mm256_set1_epi32(0x00FF00);
    const __m256i redBlue = _mm256_and_si256(
        _mm256_srli_epi32(_mm256_mullo_epi32(_mm256_and_si256(p, redBlueMask), mul), 8),
        redBlueMask);
    const __m256i green = _mm256_and_si256(
        _mm256_srli_epi32(_mm256_mullo_epi32(_mm256_and_si256(p, greenMask), mul), 8), greenMask);
    const __m256i fourth = _mm256_and_si256(p, _mm256_set1_epi32(static_cast<int>(0xFF000000u)));
    return _mm256_or_si256(fourth, _mm256_add_epi32(_mm256_add_epi32(redBlue, green), add));
}

// Pixel places of four 32.32 points of a line run. The run lies on the page,
// so no place is negative and a logical shift takes the whole pixels.
__attribute__((target("avx2"))) __m256i linePlaces(__m256i x, __m256i y, __m256i stride) {
    return _mm256_add_epi64(_mm256_mul_epu32(_mm256_srli_epi64(y, 32), stride),
                            _mm256_srli_epi64(x, 32));
}

// (v0 * TABLE_GROUP + bias + dv * lane) >> GROUP_SHIFT on the lanes.
__attribute__((target("avx2"))) __m256i between8(__m256i lanes, std::int32_t v0, std::int32_t dv,
                                                 std::int32_t bias) {
    return _mm256_srai_epi32(_mm256_add_epi32(_mm256_set1_epi32(v0 * TABLE_GROUP + bias),
                                              _mm256_mullo_epi32(_mm256_set1_epi32(dv), lanes)),
                             GROUP_SHIFT);
}

}  // namespace

__attribute__((target("avx2"))) void tableRunFast(const TableRun& run) {
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i minusOne = _mm256_set1_epi32(-1);
    const __m256i width = _mm256_set1_epi32(run.pageWidth);
    const __m256i height = _mm256_set1_epi32(run.pageHeight);
    const __m256i stride = _mm256_set1_epi32(run.stride);
    const __m256i noShade = _mm256_set1_epi32(static_cast<int>(NO_SHADE));
    const auto* paper = reinterpret_cast<const int*>(run.paper);
    int i = 0;
    for (; i + TABLE_GROUP <= run.count; i += TABLE_GROUP) {
        GroupEnds ends[2]{};
        if (!tableGroup(run, i, ends[0], ends[1])) {
            tableGroupPlain(run, i, TABLE_GROUP);
            continue;
        }
        // Each layer takes the pixels still without paper that it covers;
        // the others keep what they have, shaded by nothing.
        const __m256i column = _mm256_add_epi32(_mm256_set1_epi32(run.column + i), lanes);
        const __m256i row = _mm256_set1_epi32(run.row);
        // What lies under is read only where no layer has paper: mostly
        // nowhere, and it is a stream of its own the processor would wait on.
        __m256i result = _mm256_setzero_si256();
        __m256i open = minusOne;
        const int layerCount = run.second != nullptr ? 2 : 1;
        for (int l = 0; l < layerCount; ++l) {
            const GroupEnds& e = ends[l];
            const __m256i x =
                _mm256_add_epi32(column, between8(lanes, e.x0, e.dx, TABLE_GROUP / 2));
            const __m256i y = _mm256_add_epi32(row, between8(lanes, e.y0, e.dy, TABLE_GROUP / 2));
            const __m256i on = _mm256_and_si256(
                open, _mm256_and_si256(_mm256_and_si256(_mm256_cmpgt_epi32(x, minusOne),
                                                        _mm256_cmpgt_epi32(width, x)),
                                       _mm256_and_si256(_mm256_cmpgt_epi32(y, minusOne),
                                                        _mm256_cmpgt_epi32(height, y))));
            const __m256i place = _mm256_add_epi32(_mm256_mullo_epi32(y, stride), x);
            const __m256i p = _mm256_mask_i32gather_epi32(result, paper, place, on, 4);
            const __m256i shade =
                _mm256_or_si256(between8(lanes, e.mul0, e.dmul, 0),
                                _mm256_slli_epi32(between8(lanes, e.add0, e.dadd, 0), 16));
            result = shadeLanes(p, _mm256_blendv_epi8(noShade, shade, on));
            open = _mm256_andnot_si256(on, open);
            if (_mm256_testz_si256(open, open)) {
                break;
            }
        }
        if (!_mm256_testz_si256(open, open)) {
            result = _mm256_blendv_epi8(
                result, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(run.under + i)), open);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(run.out + i), result);
    }
    if (i < run.count) {
        tableGroupPlain(run, i, run.count - i);
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
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(run.out + i), shadeLanes(p, shade));
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

void lineRunFast(const LineRun& run) {
    lineRunPlain(run);
}

bool paperRunsHaveFastPath() {
    return false;
}

#endif

}  // namespace effects
