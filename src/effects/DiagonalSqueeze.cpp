#include "effects/DiagonalSqueeze.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "effects/PictureRows.h"
#include "effects/RandomGenerator.h"

namespace effects {

namespace {

// The picture seen with rows and columns either as stored or exchanged, so
// that one construction serves frames wider than high and, transposed, the
// others. Logical (row, column) is the pixel at row * rowStride +
// column * columnStride.
struct Layout {
    int w, h;  // logical width >= logical height
    std::ptrdiff_t rowStride, columnStride;

    std::ptrdiff_t index(int row, int column) const {
        return row * rowStride + column * columnStride;
    }
};

// One diagonal: where it starts, how long it is and where it splits.
struct Diagonal {
    int row, column, length, index, split;
    bool clampStart;
};

// Rows drawn together: every diagonal crossing them touches the same few
// lines of `out`, which stay in cache from one diagonal to the next.
constexpr int BAND_ROWS = 32;

}  // namespace

int DiagonalSqueeze::begin(const PictureFrameBlock& block) {
    end(block);
    // Drawn even without pictures, so that one use always takes one number.
    runsRight_ = (random_.next() & 1) != 0;
    if (!hasPictures(block)) {
        return 0;
    }
    const int g = static_cast<int>((block.width + block.height) * 0.7);
    try {
        profile_.resize(static_cast<std::size_t>(g) + 1);
        runs_.reserve(static_cast<std::size_t>(block.width) +
                      static_cast<std::size_t>(block.height));
    } catch (const std::bad_alloc&) {
        profile_ = {};
        runs_ = {};
        return 0;
    }
    const std::uint64_t reciprocal = (std::uint64_t{1} << 32) / static_cast<std::uint64_t>(g);
    for (int i = 0; i <= g; ++i) {
        const std::uint64_t a = static_cast<std::uint64_t>(g - std::abs(2 * i - g));
        const std::uint64_t fraction = (a * reciprocal) >> 16;  // a / g in 16.16
        profile_[static_cast<std::size_t>(i)] =
            static_cast<std::uint32_t>(65536 - ((fraction * fraction) >> 16));
    }
    width_ = block.width;
    height_ = block.height;
    return 0;
}

int DiagonalSqueeze::end(const PictureFrameBlock&) {
    profile_ = {};
    runs_ = {};
    width_ = 0;
    height_ = 0;
    return 0;
}

int DiagonalSqueeze::frame(const PictureFrameBlock& block) {
    if (profile_.empty() || block.width != width_ || block.height != height_) {
        return 0;
    }
    const bool wide = block.width >= block.height;
    const Layout layout = wide ? Layout{block.width, block.height, block.width, 1}
                               : Layout{block.height, block.width, 1, block.width};
    const int w = layout.w;
    const int h = layout.h;
    const int g = static_cast<int>(profile_.size()) - 1;
    const int p = static_cast<int>(std::int64_t{w + g + h} * block.elapsed / block.duration);
    // One step along a diagonal: up one row, one column right or left.
    const int columnStep = runsRight_ ? 1 : -1;
    const std::ptrdiff_t step = layout.rowStride + columnStep * layout.columnStride;

    runs_.clear();
    auto record = [&](const Diagonal& d) {
        const int i = std::clamp(d.index, 0, g);
        const std::int64_t m = profile_[static_cast<std::size_t>(i)];
        // Scaled by m about the split; the shift of the negative product
        // rounds toward minus infinity.
        int start = d.split + static_cast<int>((-m * d.split) >> 16);
        const int end = d.split + static_cast<int>((m * (d.length - d.split)) >> 16);
        if (d.clampStart) {
            start = std::max(start, 0);
        }
        const int column = runsRight_ ? d.column : w - 1 - d.column;
        const std::ptrdiff_t origin = layout.index(d.row, column);
        const int n = end - start;
        runs_.push_back({origin, i >= g / 2 ? block.to + origin : block.from + origin, d.row,
                         d.length, start, end,
                         static_cast<std::uint32_t>(d.length * 65536 / std::max(n, 1))});
    };

    const std::int64_t span = std::int64_t{w} + h;
    // A: from the left edge, the top one first.
    for (int j = h - 1; j >= 0; --j) {
        const int length = h - j;
        record({j, 0, length, p - (h - 1 - j), static_cast<int>(length * std::int64_t{w} / span),
                false});
    }
    // B: from the bottom edge, full height.
    for (int k = 1; k < w - h; ++k) {
        record({0, k, h, p - h - k, static_cast<int>(std::int64_t{h} * (w - k) / span), true});
    }
    // C: from the bottom edge, ending at the far side. On a square frame the
    // corner diagonal is A's.
    for (int c = std::max(w - h, 1); c < w; ++c) {
        const int length = w - c;
        record({0, c, length, p - h - c, static_cast<int>(std::int64_t{h} * length / span), false});
    }

    // Diagonals the front has not reached, or has passed, show their picture
    // unscaled. They lead and trail the list, and on a frame wider than high
    // they are spans of each row: copied as such, only the diagonals in
    // between are drawn pixel by pixel.
    auto unscaled = [&](const Run& run, const Pixel* picture) {
        return run.start == 0 && run.end == run.length && run.step == 65536 &&
               run.source == picture + run.origin;
    };
    std::size_t leading = 0;
    std::size_t trailing = 0;
    if (wide && !runs_.empty()) {
        const Pixel* first = runs_.front().source - runs_.front().origin;
        while (leading < runs_.size() && unscaled(runs_[leading], first)) {
            ++leading;
        }
        const Pixel* last = runs_.back().source - runs_.back().origin;
        while (trailing < runs_.size() - leading &&
               unscaled(runs_[runs_.size() - 1 - trailing], last)) {
            ++trailing;
        }
        // Run q holds the pixels of row r at column q - (h - 1) + r when the
        // diagonals run up-right, mirrored when they run up-left.
        const int lead = static_cast<int>(leading);
        const int trail = static_cast<int>(runs_.size() - trailing);
        for (int r = 0; r < h; ++r) {
            const int leadEnd = std::clamp(lead - (h - 1) + r, 0, w);
            const int trailStart = std::clamp(trail - (h - 1) + r, 0, w);
            Pixel* out = rowOf(block.out, w, r);
            const int leadFirst = runsRight_ ? 0 : w - leadEnd;
            const int trailFirst = runsRight_ ? trailStart : 0;
            const int trailCount = w - trailStart;
            if (leading > 0) {
                copyPixels(out + leadFirst, rowOf(first, w, r) + leadFirst, leadEnd);
            }
            if (trailing > 0) {
                copyPixels(out + trailFirst, rowOf(last, w, r) + trailFirst, trailCount);
            }
        }
    }
    // Each run samples the whole source diagonal: source position j * t in
    // 16.16 along it. Rows grow by t; an up-right diagonal's column grows
    // with them, an up-left one's shrinks and is rounded down, so its
    // samples can lie one column left of the diagonal.
    auto drawBands = [&](auto sourceOffset) {
        for (int r0 = 0; r0 < h; r0 += BAND_ROWS) {
            const int r1 = std::min(h, r0 + BAND_ROWS);
            for (std::size_t q = leading; q < runs_.size() - trailing; ++q) {
                const Run& run = runs_[q];
                const int first = std::max(0, r0 - run.row);
                const int last = std::min(run.length, r1 - run.row);
                // Black before the run and after it, the run sampled between:
                // three loops with no test per pixel.
                const int sampledFirst = std::clamp(run.start, first, std::max(first, last));
                const int sampledLast = std::clamp(run.end, sampledFirst, std::max(first, last));
                Pixel* out = block.out + run.origin + first * step;
                int k = first;
                for (; k < sampledFirst; ++k, out += step) {
                    *out = 0;
                }
                std::uint32_t moved = static_cast<std::uint32_t>(k - run.start) * run.step;
                for (; k < sampledLast; ++k, out += step, moved += run.step) {
                    *out = run.source[sourceOffset(moved)];
                }
                for (; k < last; ++k, out += step) {
                    *out = 0;
                }
            }
        }
    };
    if (runsRight_) {
        drawBands(
            [&](std::uint32_t moved) { return static_cast<std::ptrdiff_t>(moved >> 16) * step; });
    } else {
        drawBands([&](std::uint32_t moved) {
            return static_cast<std::ptrdiff_t>(moved >> 16) * layout.rowStride -
                   static_cast<std::ptrdiff_t>((moved + 65535) >> 16) * layout.columnStride;
        });
    }
    return 0;
}

}  // namespace effects
