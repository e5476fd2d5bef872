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

Pixel tablePixel(const TableRun& run, int i) {
    const std::int64_t q = std::int64_t{run.q} - std::int64_t{i} * run.qStep;
    const int step = std::clamp(static_cast<int>(q >> 16), run.firstStep, run.lastStep);
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

}  // namespace

void tableRunPlain(const TableRun& run) {
    for (int i = 0; i < run.count; ++i) {
        run.out[i] = tablePixel(run, i);
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

}  // namespace

__attribute__((target("avx2"))) void tableRunFast(const TableRun& run) {
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    __m256i q = _mm256_sub_epi32(_mm256_set1_epi32(run.q),
                                 _mm256_mullo_epi32(lanes, _mm256_set1_epi32(run.qStep)));
    const __m256i qStep8 = _mm256_set1_epi32(8 * run.qStep);
    __m256i column = _mm256_add_epi32(_mm256_set1_epi32(run.column), lanes);
    const __m256i eight = _mm256_set1_epi32(8);
    const __m256i row = _mm256_set1_epi32(run.row);
    const __m256i firstStep = _mm256_set1_epi32(run.firstStep);
    const __m256i lastStep = _mm256_set1_epi32(run.lastStep);
    const __m256i minusOne = _mm256_set1_epi32(-1);
    const __m256i width = _mm256_set1_epi32(run.pageWidth);
    const __m256i height = _mm256_set1_epi32(run.pageHeight);
    const __m256i stride = _mm256_set1_epi32(run.stride);
    const __m256i noShade = _mm256_set1_epi32(static_cast<int>(NO_SHADE));
    const auto* paper = reinterpret_cast<const int*>(run.paper);
    const int layerCount = run.second != nullptr ? 2 : 1;
    int i = 0;
    for (; i + 8 <= run.count; i += 8) {
        const __m256i step =
            _mm256_min_epi32(_mm256_max_epi32(_mm256_srai_epi32(q, 16), firstStep), lastStep);
        // Each layer takes the pixels still without paper that it covers;
        // the others keep what they have, shaded by nothing.
        __m256i result = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(run.under + i));
        __m256i open = minusOne;
        for (int l = 0; l < layerCount; ++l) {
            const PaperLayer& layer = l == 0 ? run.first : *run.second;
            const __m256i xy = _mm256_i32gather_epi32(layer.xy, step, 4);
            const __m256i x =
                _mm256_add_epi32(column, _mm256_srai_epi32(_mm256_slli_epi32(xy, 16), 16));
            const __m256i y = _mm256_add_epi32(row, _mm256_srai_epi32(xy, 16));
            const __m256i on = _mm256_and_si256(
                open, _mm256_and_si256(_mm256_and_si256(_mm256_cmpgt_epi32(x, minusOne),
                                                        _mm256_cmpgt_epi32(width, x)),
                                       _mm256_and_si256(_mm256_cmpgt_epi32(y, minusOne),
                                                        _mm256_cmpgt_epi32(height, y))));
            const __m256i place = _mm256_add_epi32(_mm256_mullo_epi32(y, stride), x);
            const __m256i p = _mm256_mask_i32gather_epi32(result, paper, place, on, 4);
            const __m256i shade = _mm256_mask_i32gather_epi32(
                noShade, reinterpret_cast<const int*>(layer.shade), step, on, 4);
            result = shadeLanes(p, shade);
            open = _mm256_andnot_si256(on, open);
            if (_mm256_testz_si256(open, open)) {
                break;
            }
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(run.out + i), result);
        q = _mm256_sub_epi32(q, qStep8);
        column = _mm256_add_epi32(column, eight);
    }
    for (; i < run.count; ++i) {
        run.out[i] = tablePixel(run, i);
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
