#include "effects/DoorSwing.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "effects/ColourBytes.h"
#include "effects/EffectTables.h"
#include "effects/PictureRows.h"
#include "effects/ProcessorFeatures.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace effects {

namespace {

// How many rows ahead of the drawing the side doors ask for their source.
constexpr int DOOR_LEAD = 2;

}  // namespace

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
            if (path_ == PixelPath::Fast) {
                drawSideHingedFast(block, g, false);
            } else {
                drawSideHinged(block, g, false);
            }
            break;
        default:
            if (path_ == PixelPath::Fast) {
                drawSideHingedFast(block, g, true);
            } else {
                drawSideHinged(block, g, true);
            }
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

namespace {

struct DoorRow {
    const Pixel* from;
    Pixel* out;  // the row's first door column
    int w;
    std::int32_t* row;
    std::int32_t* remainder;
    const std::int32_t* span;
    const std::int32_t* step;
    const std::int32_t* fraction;
    const std::int32_t* sourceColumn;
};

// Door columns [first, last) of one output row: each takes the colour bytes
// of its source pixel, then steps its source row on.
void doorColumnsScalar(const DoorRow& r, int first, int last) {
    for (int j = first; j < last; ++j) {
        r.out[j] = withColourOf(
            r.out[j], r.from[static_cast<std::ptrdiff_t>(r.row[j]) * r.w + r.sourceColumn[j]]);
        r.remainder[j] += r.fraction[j];
        const int carry = r.remainder[j] >= r.span[j] ? 1 : 0;
        r.remainder[j] -= carry * r.span[j];
        r.row[j] += r.step[j] + carry;
    }
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) void doorColumnsAvx2(const DoorRow& r, int first, int last) {
    const __m256i width = _mm256_set1_epi32(r.w);
    const __m256i colour = _mm256_set1_epi32(static_cast<int>(COLOUR_BYTES));
    int j = first;
    for (; j + 8 <= last; j += 8) {
        const auto at = [j](const std::int32_t* p) __attribute__((target("avx2"))) {
            return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + j));
        };
        const __m256i row = at(r.row);
        const __m256i index = _mm256_add_epi32(_mm256_mullo_epi32(row, width), at(r.sourceColumn));
        const __m256i source =
            _mm256_i32gather_epi32(reinterpret_cast<const int*>(r.from), index, 4);
        const __m256i kept = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r.out + j));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(r.out + j),
                            _mm256_blendv_epi8(kept, source, colour));
        const __m256i span = at(r.span);
        __m256i remainder = _mm256_add_epi32(at(r.remainder), at(r.fraction));
        // carry where remainder >= span, i.e. not span > remainder.
        const __m256i noCarry = _mm256_cmpgt_epi32(span, remainder);
        remainder = _mm256_sub_epi32(remainder, _mm256_andnot_si256(noCarry, span));
        const __m256i carry = _mm256_add_epi32(noCarry, _mm256_set1_epi32(1));
        const __m256i next = _mm256_add_epi32(_mm256_add_epi32(row, at(r.step)), carry);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(r.remainder + j), remainder);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(r.row + j), next);
    }
    doorColumnsScalar(r, j, last);
}
#endif

}  // namespace

// The same door as drawSideHinged, drawn row by row: in each row the door
// columns that reach it form one run (margins shrink toward the hinge), the
// rest of the row is one copy of `to`, and the door columns step eight at
// a time.
void DoorSwing::drawSideHingedFast(const PictureFrameBlock& block, const Geometry& g,
                                   bool hingeRight) {
    const int w = block.width;
    const int h = block.height;
    const int dw = std::min(g.doorWidth, w);
    if (dw <= 0) {
        copyPicture(block, block.to);
        return;
    }
    const int mv = g.verticalMargin;
    const int doorStart = hingeRight ? w - dw : 0;
    const std::size_t count = static_cast<std::size_t>(dw);
    for (std::vector<std::int32_t>* field :
         {&lanes_.margin, &lanes_.span, &lanes_.step, &lanes_.fraction, &lanes_.sourceColumn,
          &lanes_.row, &lanes_.remainder}) {
        field->assign(count, 0);
    }
    for (int j = 0; j < dw; ++j) {
        const std::size_t n = static_cast<std::size_t>(j);
        const int fromFreeEdge = hingeRight ? dw - j : j;
        const int margin = static_cast<int>(std::int64_t{mv} * fromFreeEdge / dw);
        const int span = h - 2 * margin;
        lanes_.margin[n] = margin;
        lanes_.span[n] = span;
        lanes_.step[n] = span > 0 ? h / span : 0;
        lanes_.fraction[n] = span > 0 ? h % span : 0;
        lanes_.sourceColumn[n] = static_cast<int>(std::int64_t{j} * w / dw);
    }
    const DoorRow base{block.from,
                       nullptr,
                       w,
                       lanes_.row.data(),
                       lanes_.remainder.data(),
                       lanes_.span.data(),
                       lanes_.step.data(),
                       lanes_.fraction.data(),
                       lanes_.sourceColumn.data()};
#if defined(__x86_64__)
    const bool avx2 = hasAvx2();
#endif
    // Door columns of one margin step through the same source rows: one
    // stepper per such run, DOOR_LEAD rows ahead of the drawing, asks for
    // the lines the run will read. Row after row the door reads a new line
    // every few columns, from source rows all over the picture; nothing
    // else would fetch them before the gather waits for them.
    leads_.clear();
    for (int first = 0; first < dw;) {
        int last = first;
        while (last + 1 < dw && lanes_.margin[static_cast<std::size_t>(last + 1)] ==
                                    lanes_.margin[static_cast<std::size_t>(first)]) {
            ++last;
        }
        const std::size_t f = static_cast<std::size_t>(first);
        leads_.push_back({lanes_.margin[f], lanes_.span[f], lanes_.step[f], lanes_.fraction[f],
                          lanes_.sourceColumn[f],
                          lanes_.sourceColumn[static_cast<std::size_t>(last)], 0, 0});
        first = last + 1;
    }
    const auto lookAhead = [&](int ahead) {
        for (LeadRun& lead : leads_) {
            if (ahead < lead.margin || ahead >= h - lead.margin) {
                continue;
            }
            const Pixel* source = rowOf(block.from, w, lead.row);
            const char* first = reinterpret_cast<const char*>(source + lead.firstColumn);
            const std::ptrdiff_t bytes = (lead.lastColumn - lead.firstColumn) * 4;
            for (std::ptrdiff_t line = 0; line < bytes; line += 64) {
                __builtin_prefetch(first + line);
            }
            __builtin_prefetch(first + bytes);
            lead.remainder += lead.fraction;
            const int carry = lead.remainder >= lead.span ? 1 : 0;
            lead.remainder -= carry * lead.span;
            lead.row += lead.step + carry;
        }
    };
    for (int ahead = 0; ahead < DOOR_LEAD; ++ahead) {
        lookAhead(ahead);
    }
    const std::int32_t* margins = lanes_.margin.data();
    for (int row = 0; row < h; ++row) {
        lookAhead(row + DOOR_LEAD);
        Pixel* out = rowOf(block.out, w, row);
        const Pixel* to = rowOf(block.to, w, row);
        // Column j reaches this row when its margin is at most `reach`.
        const int reach = std::min(row, h - 1 - row);
        int first = 0;
        int last = dw;
        if (hingeRight) {
            first = static_cast<int>(
                std::partition_point(margins, margins + dw, [reach](int m) { return m > reach; }) -
                margins);
            copyPixels(out, to, doorStart + first);
        } else {
            last = static_cast<int>(
                std::partition_point(margins, margins + dw, [reach](int m) { return m <= reach; }) -
                margins);
            copyPixels(out + last, to + last, w - last);
        }
        DoorRow r = base;
        r.out = out + doorStart;
#if defined(__x86_64__)
        if (avx2) {
            doorColumnsAvx2(r, first, last);
            continue;
        }
#endif
        doorColumnsScalar(r, first, last);
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
