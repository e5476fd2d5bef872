#include "effects/ShatterEffects.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "effects/ColourBytes.h"
#include "effects/PictureRows.h"
#include "effects/ProcessorFeatures.h"
#include "effects/RandomGenerator.h"

namespace effects {

namespace {

// Memory row of a row counted from the top of the screen.
int memoryRow(int topDownRow, int height) {
    return height - 1 - topDownRow;
}

// The fast paths compute offsets in 32-bit lanes: exact while the largest
// products, L * 3H and L * W, stay below 2^31.
bool fitsIn32Bits(std::int64_t fall, int w, int h) {
    constexpr std::int64_t LIMIT = std::int64_t{1} << 31;
    return fall * 3 * h < LIMIT && fall * w < LIMIT;
}

// Where each 2 x 2 particle of the row pair at top-down row y lands: the
// offset in `out` of its top-left pixel on screen, or -1 when it is not
// drawn. The drifts come as `dx` = hx - W and `dy` = hy - 5H/2 (see
// ShatterFine::begin); `fallBase` is L * 5H/2, so that L * hy is
// fallBase + L * dy. `firstColumn` is the column of the first particle given.
void fineLandingsLoop(std::int32_t* __restrict landing, const std::int16_t* __restrict dx,
                      const std::int16_t* __restrict dy, int count, int y, int w, int h,
                      std::int32_t fall, std::int32_t fallBase, int firstColumn) {
    for (int i = 0; i < count; ++i) {
        const std::int32_t r = y + ((fallBase + fall * dy[i]) >> 20);
        const std::int32_t c = firstColumn + 2 * i + ((dx[i] * fall) >> 20);
        const std::int32_t column = std::max(c, 2);
        const bool drawn = r >= 0 && r < h - 1 && c >= 0 && c < w - 1 && column <= w - 2;
        landing[i] = drawn ? (h - 1 - r) * w + (w - 2 - column) : -1;
    }
}

#if defined(__x86_64__) || defined(__i386__)
// Picked by an explicit test rather than target_clones: an ifunc resolver
// runs before a sanitizer's runtime is ready. The tests of the plain loop
// joined into one lane mask: gcc leaves that loop scalar, branching per
// particle. Column >= 2 >= c is the only way past column <= w - 2 with
// c >= w - 1, so that test is left out.
__attribute__((target("avx2"))) void fineLandingsAvx2(std::int32_t* landing, const std::int16_t* dx,
                                                      const std::int16_t* dy, int count, int y,
                                                      int w, int h, std::int32_t fall,
                                                      std::int32_t fallBase) {
    const __m256i vFall = _mm256_set1_epi32(fall);
    const __m256i vW = _mm256_set1_epi32(w);
    const __m256i rowBase = _mm256_set1_epi32(y);
    const __m256i vFallBase = _mm256_set1_epi32(fallBase);
    const __m256i minusOne = _mm256_set1_epi32(-1);
    const __m256i two = _mm256_set1_epi32(2);
    const __m256i lastRow = _mm256_set1_epi32(h - 1);
    const __m256i lastColumn = _mm256_set1_epi32(w - 1);
    const __m256i rightmost = _mm256_set1_epi32(w - 2);
    const __m256i step = _mm256_set1_epi32(16);
    __m256i home = _mm256_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14);
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i vDx =
            _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(dx + i)));
        const __m256i vDy =
            _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(dy + i)));
        const __m256i r = _mm256_add_epi32(
            rowBase,
            _mm256_srai_epi32(_mm256_add_epi32(vFallBase, _mm256_mullo_epi32(vFall, vDy)), 20));
        const __m256i c =
            _mm256_add_epi32(home, _mm256_srai_epi32(_mm256_mullo_epi32(vDx, vFall), 20));
        const __m256i column = _mm256_max_epi32(c, two);
        const __m256i drawn = _mm256_and_si256(
            _mm256_and_si256(_mm256_cmpgt_epi32(r, minusOne), _mm256_cmpgt_epi32(lastRow, r)),
            _mm256_and_si256(_mm256_cmpgt_epi32(c, minusOne),
                             _mm256_cmpgt_epi32(lastColumn, column)));
        const __m256i at = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_sub_epi32(lastRow, r), vW),
                                            _mm256_sub_epi32(rightmost, column));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(landing + i),
                            _mm256_blendv_epi8(minusOne, at, drawn));
        home = _mm256_add_epi32(home, step);
    }
    fineLandingsLoop(landing + i, dx + i, dy + i, count - i, y, w, h, fall, fallBase, 2 * i);
}
#endif

void fineLandings(std::int32_t* landing, const std::int16_t* dx, const std::int16_t* dy, int count,
                  int y, int w, int h, std::int32_t fall, std::int32_t fallBase) {
#if defined(__x86_64__) || defined(__i386__)
    if (hasAvx2()) {
        fineLandingsAvx2(landing, dx, dy, count, y, w, h, fall, fallBase);
        return;
    }
#endif
    fineLandingsLoop(landing, dx, dy, count, y, w, h, fall, fallBase, 0);
}

}  // namespace

int blockSizeFor(int parameter, int width, int height) {
    int size = std::max(parameter, 1);
    while (size > 1 && (width % size != 0 || height % size != 0)) {
        --size;
    }
    return size;
}

int RandomBlocks::begin(const PictureFrameBlock& block) {
    end(block);
    if (!hasPictures(block)) {
        return 0;
    }
    const int size = blockSizeFor(block.parameter, block.width, block.height);
    const std::size_t count = static_cast<std::size_t>(block.width / size) *
                              static_cast<std::size_t>(block.height / size);
    try {
        thresholds_.resize(count);
    } catch (const std::bad_alloc&) {
        thresholds_ = {};
        return 0;
    }
    for (std::uint8_t& threshold : thresholds_) {
        threshold = static_cast<std::uint8_t>(random_.next() % 100);
    }
    width_ = block.width;
    height_ = block.height;
    size_ = size;
    return 0;
}

int RandomBlocks::frame(const PictureFrameBlock& block) {
    if (thresholds_.empty() || block.width != width_ || block.height != height_) {
        return 0;
    }
    const int p = percentProgress(block);
    // Every threshold is below 100, so the last frame is `to` throughout.
    if (copyEndPoint(block, p)) {
        return 0;
    }
    const int w = block.width;
    const int s = size_;
    const int columns = w / s;
    for (int row = 0; row < block.height; ++row) {
        const std::uint8_t* thresholds = thresholds_.data() + static_cast<std::size_t>(row / s) *
                                                                  static_cast<std::size_t>(columns);
        Pixel* out = rowOf(block.out, w, row);
        const Pixel* from = rowOf(block.from, w, row);
        const Pixel* to = rowOf(block.to, w, row);
#if defined(__SSE2__)
        if (path_ == PixelPath::Fast && s % 4 == 0) {
            // Blocks of whole groups of four pixels: one 16-byte merge each.
            const __m128i colour = _mm_set1_epi32(static_cast<int>(COLOUR_BYTES));
            for (int b = 0; b < columns; ++b) {
                const Pixel* source = p < thresholds[b] ? from : to;
                for (int x = b * s; x < (b + 1) * s; x += 4) {
                    const __m128i kept = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + x));
                    const __m128i colours =
                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + x));
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                                     _mm_or_si128(_mm_andnot_si128(colour, kept),
                                                  _mm_and_si128(colour, colours)));
                }
            }
            continue;
        }
#endif
        for (int b = 0; b < columns; ++b) {
            const Pixel* source = p < thresholds[b] ? from : to;
            for (int x = b * s; x < (b + 1) * s; ++x) {
                out[x] = withColourOf(out[x], source[x]);
            }
        }
    }
    return 0;
}

int RandomBlocks::end(const PictureFrameBlock&) {
    thresholds_ = {};
    width_ = 0;
    height_ = 0;
    return 0;
}

std::int64_t Shatter::fallFactor(int elapsed, int duration) {
    const double d = duration;
    const double h = 4.0 * std::sqrt(d);
    const double f =
        ((h + elapsed) * (h + elapsed) - h * h * 0.33333334) / ((d + h) * (d + h)) * 1024.0 * 0.67;
    return static_cast<std::int64_t>(f * f);
}

int Shatter::begin(const PictureFrameBlock& block) {
    end(block);
    random_.seed(clock_.processorTime());
    if (!hasPictures(block)) {
        return 0;
    }
    const std::size_t count = entryCount(block);
    try {
        hx_.resize(count);
        hy_.resize(count);
    } catch (const std::bad_alloc&) {
        end(block);
        return 0;
    }
    const int w = block.width;
    // A picture one row high has no half height to draw from.
    const int halfHeight = std::max(block.height / 2, 1);
    const int fallBase = 5 * block.height / 2;
    for (std::size_t i = 0; i < count; ++i) {
        hx_[i] = random_.next() % (2 * w);
        hy_[i] = random_.next() % halfHeight + fallBase;
    }
    ready_ = true;
    width_ = w;
    height_ = block.height;
    return 0;
}

int Shatter::end(const PictureFrameBlock&) {
    hx_ = {};
    hy_ = {};
    ready_ = false;
    width_ = 0;
    height_ = 0;
    return 0;
}

bool Shatter::startFrame(const PictureFrameBlock& block) const {
    if (!ready_ || block.width != width_ || block.height != height_) {
        return false;
    }
    if (block.elapsed == 0) {
        copyPicture(block, block.from);
        return false;
    }
    copyPicture(block, block.to);
    return true;
}

std::size_t ShatterBlocks::entryCount(const PictureFrameBlock& block) const {
    // More entries than blocks: the generator's later state depends on
    // drawing all of them.
    const std::size_t size =
        static_cast<std::size_t>(blockSizeFor(block.parameter, block.width, block.height));
    return pixelCount(block) / size;
}

int ShatterBlocks::frame(const PictureFrameBlock& block) {
    if (!startFrame(block)) {
        return 0;
    }
    const std::int64_t fall = fallFactor(block.elapsed, block.duration);
    const int w = block.width;
    const int h = block.height;
    const int s = blockSizeFor(block.parameter, w, h);
    const bool fast = path_ == PixelPath::Fast && fitsIn32Bits(fall, w, h);
    // Every block falls at least (L * 5H/2) >> 20 rows: once a block row's
    // least fall takes it past the bottom, so does every later one's.
    const std::int64_t leastFall = fast ? (fall * (5 * h / 2)) >> 20 : 0;
    std::size_t i = 0;
    for (int y = 0; y < h && y + leastFall < h; y += s) {
        for (int x = 0; x < w; x += s, ++i) {
            int m = y + static_cast<int>((fall * hy_[i]) >> 20);
            if (m <= 0 || m >= h) {
                continue;
            }
            int t = x + static_cast<int>(((hx_[i] - w) * fall) >> 20);
            if (t <= 0 || t >= w) {
                continue;
            }
            m = std::min(m, h - s);
            t = std::min(t + s / 2, w);
            const int count = std::min(t, s);
            Pixel* out = rowOf(block.out, w, memoryRow(m, h)) + (w - t);
            const Pixel* from = rowOf(block.from, w, memoryRow(y, h)) + (w - s - x);
            if (fast && count == 4) {
                // The common small block: four rows of one 16-byte move.
                for (int r = 0; r < s; ++r) {
                    std::memcpy(out - static_cast<std::ptrdiff_t>(r) * w,
                                from - static_cast<std::ptrdiff_t>(r) * w, 4 * sizeof(Pixel));
                }
                continue;
            }
            for (int r = 0; r < s; ++r) {
                // Blocks are a few pixels wide: a loop beats a call.
                Pixel* outRow = out - static_cast<std::ptrdiff_t>(r) * w;
                const Pixel* fromRow = from - static_cast<std::ptrdiff_t>(r) * w;
                for (int k = 0; k < count; ++k) {
                    outRow[k] = fromRow[k];
                }
            }
        }
    }
    return 0;
}

std::size_t ShatterFine::entryCount(const PictureFrameBlock& block) const {
    return pixelCount(block) / 4;
}

int ShatterFine::begin(const PictureFrameBlock& block) {
    Shatter::begin(block);
    const int w = block.width;
    const int h = block.height;
    // The fast path reads the drifts as 16-bit offsets from their least
    // values, half the bytes per particle. Both are remainders of one
    // generator value: hx - W is in -W to RANDOM_MAX - W, hy - 5H/2 in 0 to
    // RANDOM_MAX; only the width can take them out of 16 bits.
    static_assert(RandomGenerator::RANDOM_MAX <= INT16_MAX);
    if (path_ != PixelPath::Fast || hx_.empty() || -w < INT16_MIN) {
        return 0;
    }
    try {
        driftX_.resize(hx_.size());
        driftY_.resize(hy_.size());
    } catch (const std::bad_alloc&) {
        driftX_ = {};
        driftY_ = {};
        return 0;
    }
    const int fallBase = 5 * h / 2;
    for (std::size_t i = 0; i < hx_.size(); ++i) {
        driftX_[i] = static_cast<std::int16_t>(hx_[i] - w);
        driftY_[i] = static_cast<std::int16_t>(hy_[i] - fallBase);
    }
    return 0;
}

int ShatterFine::end(const PictureFrameBlock& block) {
    driftX_ = {};
    driftY_ = {};
    return Shatter::end(block);
}

int ShatterFine::frame(const PictureFrameBlock& block) {
    if (!startFrame(block)) {
        return 0;
    }
    const std::int64_t fall = fallFactor(block.elapsed, block.duration);
    if (!driftX_.empty() && fitsIn32Bits(fall, block.width, block.height)) {
        drawFast(block, static_cast<std::int32_t>(fall));
    } else {
        drawPlain(block, fall);
    }
    return 0;
}

void ShatterFine::drawPlain(const PictureFrameBlock& block, std::int64_t fall) const {
    const int w = block.width;
    const int h = block.height;
    std::size_t i = 0;
    for (int y = 0; y + 1 < h; y += 2) {
        const Pixel* from0 = rowOf(block.from, w, memoryRow(y, h));
        const Pixel* from1 = rowOf(block.from, w, memoryRow(y + 1, h));
        for (int x = 0; x + 1 < w; x += 2, ++i) {
            const int r = y + static_cast<int>((fall * hy_[i]) >> 20);
            if (r < 0 || r >= h - 1) {
                continue;
            }
            int c = x + static_cast<int>(((hx_[i] - w) * fall) >> 20);
            if (c < 0 || c >= w - 1) {
                continue;
            }
            c = std::max(c, 2);
            // Pictures under four columns wide have no room right of column 2.
            if (c > w - 2) {
                continue;
            }
            Pixel* out0 = rowOf(block.out, w, memoryRow(r, h));
            Pixel* out1 = rowOf(block.out, w, memoryRow(r + 1, h));
            out0[w - 2 - c] = from0[w - 2 - x];
            out0[w - 1 - c] = from0[w - 1 - x];
            out1[w - 2 - c] = from1[w - 2 - x];
            out1[w - 1 - c] = from1[w - 1 - x];
        }
    }
}

// The particles in the same order, so that where they overlap the later
// one still wins. Where each particle of a row pair lands is worked out
// first in 32-bit lanes, and each half particle moves as one 64-bit word.
// Every particle falls at least (L * 5H/2) >> 20 rows: once a row pair's
// least fall takes it past the bottom, so does every later one's.
void ShatterFine::drawFast(const PictureFrameBlock& block, std::int32_t fall) {
    const int w = block.width;
    const int h = block.height;
    const int count = w / 2;
    landing_.resize(static_cast<std::size_t>(count));
    spare_.resize(static_cast<std::size_t>(w) + 2);
    const auto spareAddress = reinterpret_cast<std::uintptr_t>(spare_.data() + w);
    const auto outAddress = reinterpret_cast<std::uintptr_t>(block.out);
    const std::int32_t fallBase = fall * (5 * h / 2);
    const std::int32_t leastFall = fallBase >> 20;
    for (int y = 0; y + 1 < h && y + leastFall < h - 1; y += 2) {
        const std::size_t first = static_cast<std::size_t>(y / 2) * static_cast<std::size_t>(count);
        fineLandings(landing_.data(), driftX_.data() + first, driftY_.data() + first, count, y, w,
                     h, fall, fallBase);
        // Memory rows of the particle's top and bottom rows on screen.
        const Pixel* from0 = rowOf(block.from, w, memoryRow(y, h)) + (w - 2);
        for (int i = 0; i < count; ++i) {
            const std::int32_t at = landing_[static_cast<std::size_t>(i)];
            // Particles not drawn go to a spare place rather than round a
            // branch that mispredicts wherever part of a row pair is off the
            // picture. Picked by a mask, as gcc turns a select into that branch.
            const auto notDrawn = static_cast<std::uintptr_t>(static_cast<std::intptr_t>(at >> 31));
            const std::uintptr_t place =
                ((outAddress +
                  static_cast<std::uintptr_t>(static_cast<std::intptr_t>(at)) * sizeof(Pixel)) &
                 ~notDrawn) |
                (spareAddress & notDrawn);
            Pixel* out0 = reinterpret_cast<Pixel*>(place);
            std::memcpy(out0, from0 - 2 * i, 2 * sizeof(Pixel));
            std::memcpy(out0 - w, from0 - 2 * i - w, 2 * sizeof(Pixel));
        }
    }
}

}  // namespace effects
