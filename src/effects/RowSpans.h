#pragma once

#include <cstddef>
#include <cstring>
#include <vector>

#include "effects/FrameBlocks.h"
#include "effects/PictureRows.h"
#include "effects/ProcessorFeatures.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace effects {

// A row made of runs taken from two source rows in place, the same runs in
// every row of a frame: the many-strip wipes and the side blinds. Runs are
// found once per frame; each row is then a few unrolled copies instead of a
// library call per run, which dominates when runs are some 40 pixels long.
class RowSpans {
  public:
    // Starts a new frame's split of rows `width` pixels long.
    void reset(int width) {
        width_ = width;
        spans_.clear();
    }

    // Adds [begin, end) from source 0 or 1; empty runs are dropped and a run
    // continuing the previous one from the same source extends it.
    void add(int begin, int end, int source) {
        if (end <= begin) {
            return;
        }
        if (!spans_.empty() && spans_.back().source == source && spans_.back().end == begin) {
            spans_.back().end = end;
            return;
        }
        spans_.push_back({begin, end, source});
    }

    // Writes one row of `out` from the two source rows.
    void copyRow(Pixel* out, const Pixel* first, const Pixel* second) const {
#if defined(__x86_64__)
        if (hasAvx2()) {
            copyRowAvx2(out, first, second);
            return;
        }
#endif
        copyRowPlain(out, first, second);
    }

    // The same row with 16-byte groups, for any processor.
    void copyRowPlain(Pixel* out, const Pixel* first, const Pixel* second) const {
        const Pixel* sources[2] = {first, second};
        for (const Span& span : spans_) {
            const Pixel* source = sources[span.source];
            // Whole groups of four pixels may run past the end of the run into
            // the next one, which is written after it; not past the row end.
            const int rounded = span.begin + ((span.end - span.begin + 3) & ~3);
            if (rounded <= width_) {
                for (int x = span.begin; x < span.end; x += 4) {
                    std::memcpy(out + x, source + x, 4 * sizeof(Pixel));
                }
            } else {
                copyPixels(out + span.begin, source + span.begin, span.end - span.begin);
            }
        }
    }

#if defined(__x86_64__)
    // Groups of eight pixels, one 32-byte move each; the same overrun rule.
    __attribute__((target("avx2"))) void copyRowAvx2(Pixel* out, const Pixel* first,
                                                     const Pixel* second) const {
        const Pixel* sources[2] = {first, second};
        for (const Span& span : spans_) {
            const Pixel* source = sources[span.source];
            const int rounded = span.begin + ((span.end - span.begin + 7) & ~7);
            if (rounded <= width_) {
                for (int x = span.begin; x < span.end; x += 8) {
                    _mm256_storeu_si256(
                        reinterpret_cast<__m256i*>(out + x),
                        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + x)));
                }
            } else {
                copyPixels(out + span.begin, source + span.begin, span.end - span.begin);
            }
        }
    }
#endif

    // Asks for the lines a later row will read.
    void prefetchRow(const Pixel* first, const Pixel* second) const {
        const Pixel* sources[2] = {first, second};
        for (const Span& span : spans_) {
            const Pixel* source = sources[span.source];
            for (int x = span.begin; x < span.end; x += 16) {
                __builtin_prefetch(source + x);
            }
            __builtin_prefetch(source + span.end - 1);
        }
    }

    std::size_t size() const {
        return spans_.size();
    }

  private:
    struct Span {
        int begin, end, source;
    };
    std::vector<Span> spans_;
    int width_ = 0;
};

}  // namespace effects
