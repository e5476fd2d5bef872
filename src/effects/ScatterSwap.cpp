#include "effects/ScatterSwap.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "effects/PictureRows.h"
#include "effects/ProcessorFeatures.h"
#include "effects/RandomGenerator.h"

namespace effects {

namespace {

constexpr int SMALL_SIDE = 1 << 20;

// The fast path keeps the offsets in 16 bits: each is a remainder of one
// generator value, so at most RANDOM_MAX either way, whatever the side.
static_assert(RandomGenerator::RANDOM_MAX <= INT16_MAX);

// The offset of one particle along one axis: toward a random target in the
// middle half of the axis, by a random part of the way to the edge beyond.
// Positions are relative to the centre; `size` is the axis length.
std::int32_t offsetToward(int position, int size, RandomGenerator& random) {
    const int target = random.next() % (size / 2) - size / 4;
    if (target < position) {
        // The remainder of a negated value: -(modulus - 1) to 0.
        return -(random.next() % (target + size / 2));
    }
    if (position < target) {
        return random.next() % (size / 2 - target);
    }
    return 0;
}

// Landing places of one row pair of particles: offsets into the picture of
// their lower left pixel. Built twice, plain and for AVX2; the loop is the
// same. Picked by an explicit test rather than target_clones: an ifunc
// resolver runs before a sanitizer's runtime is ready.
__attribute__((always_inline)) inline void landingPlacesLoop(std::int32_t* __restrict landing,
                                                             const std::int16_t* __restrict fx,
                                                             const std::int16_t* __restrict fy,
                                                             int count, int row, int w, int h,
                                                             std::int32_t spread) {
    for (int i = 0; i < count; ++i) {
        const std::int32_t x = std::clamp(2 * i + ((spread * fx[i]) >> 10), 0, w - 2);
        const std::int32_t y = std::clamp(row + ((spread * fy[i]) >> 10), 0, h - 2);
        landing[i] = y * w + x;
    }
}

void landingPlacesPlain(std::int32_t* landing, const std::int16_t* fx, const std::int16_t* fy,
                        int count, int row, int w, int h, std::int32_t spread) {
    landingPlacesLoop(landing, fx, fy, count, row, w, h, spread);
}

__attribute__((target("avx2"))) void landingPlacesAvx2(std::int32_t* landing,
                                                       const std::int16_t* fx,
                                                       const std::int16_t* fy, int count, int row,
                                                       int w, int h, std::int32_t spread) {
    landingPlacesLoop(landing, fx, fy, count, row, w, h, spread);
}

void landingPlaces(std::int32_t* landing, const std::int16_t* fx, const std::int16_t* fy, int count,
                   int row, int w, int h, std::int32_t spread) {
    if (hasAvx2()) {
        landingPlacesAvx2(landing, fx, fy, count, row, w, h, spread);
    } else {
        landingPlacesPlain(landing, fx, fy, count, row, w, h, spread);
    }
}

// The pixels of one row pair of particles, each from the picture it shows
// now, into `picked` (two rows of w pixels).
void pickParticlesPlain(Pixel* picked, const Pixel* from, const Pixel* to,
                        const std::uint8_t* switchAt, int first, int count, int w, int moment) {
    for (int i = first; i < count; ++i) {
        const Pixel* source = moment < switchAt[i] ? from : to;
        std::memcpy(picked + 2 * i, source + 2 * i, 2 * sizeof(Pixel));
        std::memcpy(picked + w + 2 * i, source + w + 2 * i, 2 * sizeof(Pixel));
    }
}

#if defined(__x86_64__) || defined(__i386__)
// Four particles a step: each particle's switch moment widened to the 64-bit
// lane of its two pixels picks the picture.
__attribute__((target("avx2"))) void pickParticlesAvx2(Pixel* picked, const Pixel* from,
                                                       const Pixel* to,
                                                       const std::uint8_t* switchAt, int count,
                                                       int w, int moment) {
    const __m256i now = _mm256_set1_epi64x(moment);
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        std::int32_t four;
        std::memcpy(&four, switchAt + i, sizeof(four));
        const __m256i fromHere =
            _mm256_cmpgt_epi64(_mm256_cvtepu8_epi64(_mm_cvtsi32_si128(four)), now);
        for (int r = 0; r < 2; ++r) {
            const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(r) * w + 2 * i;
            const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + at));
            const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(to + at));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(picked + at),
                                _mm256_blendv_epi8(b, a, fromHere));
        }
    }
    pickParticlesPlain(picked, from, to, switchAt, i, count, w, moment);
}
#endif

void pickParticles(Pixel* picked, const Pixel* from, const Pixel* to, const std::uint8_t* switchAt,
                   int count, int w, int moment) {
#if defined(__x86_64__) || defined(__i386__)
    if (hasAvx2()) {
        pickParticlesAvx2(picked, from, to, switchAt, count, w, moment);
        return;
    }
#endif
    pickParticlesPlain(picked, from, to, switchAt, 0, count, w, moment);
}

// Plain 32-byte stores rather than memset: ahead of the scattered writes
// they measured faster here, as if memset's large-size stores left the
// frame out of cache.
#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) void clearFrameAvx2(Pixel* out, std::size_t count) {
    const __m256i zero = _mm256_setzero_si256();
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), zero);
    }
    std::fill(out + i, out + count, Pixel{0});
}
#endif

void clearFrame(Pixel* out, std::size_t count) {
#if defined(__x86_64__) || defined(__i386__)
    if (hasAvx2()) {
        clearFrameAvx2(out, count);
        return;
    }
#endif
    std::fill_n(out, count, Pixel{0});
}

}  // namespace

int ScatterSwap::spread(double progress) {
    const double c = progress;
    const double low = static_cast<double>(0.3f);
    const double high = static_cast<double>(0.7f);
    const double bend = static_cast<double>(2.4f);
    double d = c;
    if (c > low && c < 0.5) {
        d = c - (c - low) * (c - low) * bend;
    } else if (c >= 0.5 && c < high) {
        d = c + (high - c) * (high - c) * bend;
    }
    return static_cast<int>((0.5 - std::fabs(d - 0.5)) * 2000);
}

int ScatterSwap::begin(const PictureFrameBlock& block) {
    end(block);
    random_.seed(clock_.processorTime());
    if (!hasPictures(block) || block.width % 2 != 0 || block.height % 2 != 0) {
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    try {
        particles_.resize(pixelCount(block) / 4);
    } catch (const std::bad_alloc&) {
        end(block);
        return 0;
    }
    for (Particle& particle : particles_) {
        particle.switchAt = random_.next() % 255 + 1;
    }
    std::size_t n = 0;
    for (int row = 0; row < h; row += 2) {
        for (int column = 0; column < w; column += 2, ++n) {
            Particle& particle = particles_[n];
            particle.fx = offsetToward(column - w / 2, w, random_);
            particle.fy = offsetToward(row - h / 2, h, random_);
        }
    }
    // The fast path works in 32-bit lanes: offsets below W or H times a
    // spread of at most 1000, and landing places below W * H, all fit.
    fast_ = path_ == PixelPath::Fast && w < SMALL_SIDE && h < SMALL_SIDE &&
            pixelCount(block) < std::size_t{1} << 31;
    if (fast_) {
        try {
            offsetX_.resize(particles_.size());
            offsetY_.resize(particles_.size());
            switchAt_.resize(particles_.size());
            landing_.resize(static_cast<std::size_t>(w / 2));
            picked_.resize(2 * static_cast<std::size_t>(w));
        } catch (const std::bad_alloc&) {
            end(block);
            return 0;
        }
        for (std::size_t i = 0; i < particles_.size(); ++i) {
            offsetX_[i] = static_cast<std::int16_t>(particles_[i].fx);
            offsetY_[i] = static_cast<std::int16_t>(particles_[i].fy);
            switchAt_[i] = static_cast<std::uint8_t>(particles_[i].switchAt);
        }
        particles_ = {};
    }
    width_ = w;
    height_ = h;
    return 0;
}

int ScatterSwap::frame(const PictureFrameBlock& block) {
    if (width_ == 0 || block.width != width_ || block.height != height_) {
        return 0;
    }
    const double c = fractionProgress(block);
    const std::int64_t spreadNow = spread(c);
    const int moment = static_cast<int>(c * 256);
    if (fast_) {
        clearFrame(block.out, pixelCount(block));
        drawFast(block, spreadNow, moment);
    } else {
        std::fill_n(block.out, pixelCount(block), Pixel{0});
        drawPlain(block, spreadNow, moment);
    }
    return 0;
}

void ScatterSwap::drawPlain(const PictureFrameBlock& block, std::int64_t spreadNow,
                            int moment) const {
    const int w = block.width;
    const int h = block.height;
    std::size_t n = 0;
    for (int row = 0; row < h; row += 2) {
        for (int column = 0; column < w; column += 2, ++n) {
            const Particle& particle = particles_[n];
            const Pixel* source = moment < particle.switchAt ? block.from : block.to;
            const int x =
                std::clamp(column + static_cast<int>((spreadNow * particle.fx) >> 10), 0, w - 2);
            const int y =
                std::clamp(row + static_cast<int>((spreadNow * particle.fy) >> 10), 0, h - 2);
            const Pixel* in0 = rowOf(source, w, row) + column;
            const Pixel* in1 = rowOf(source, w, row + 1) + column;
            Pixel* out0 = rowOf(block.out, w, y) + x;
            Pixel* out1 = rowOf(block.out, w, y + 1) + x;
            out0[0] = in0[0];
            out0[1] = in0[1];
            out1[0] = in1[0];
            out1[1] = in1[1];
        }
    }
}

// The same particles in the same order, so that where they overlap the
// later one still wins. Where each particle of a row pair lands is worked
// out first, eight at a time in 32-bit lanes (offsets and spread are small,
// see begin), and the copy then moves each half particle as one 64-bit word.
// Filing the particles by the band of rows they land in first, so that each
// band of `out` is written while it is in cache, measured slower: at 20
// bytes a particle the files do not stay in cache next to the pictures.
void ScatterSwap::drawFast(const PictureFrameBlock& block, std::int64_t spreadNow,
                           int moment) const {
    const int w = block.width;
    const int h = block.height;
    const int count = w / 2;
    const auto spreadSmall = static_cast<std::int32_t>(spreadNow);
    // Kept in locals: the byte copies below may alias any member.
    Pixel* const out = block.out;
    Pixel* const picked = picked_.data();
    std::int32_t* const landing = landing_.data();
    for (int row = 0; row < h; row += 2) {
        const std::size_t first =
            static_cast<std::size_t>(row / 2) * static_cast<std::size_t>(count);
        landingPlaces(landing, offsetX_.data() + first, offsetY_.data() + first, count, row, w, h,
                      spreadSmall);
        const std::ptrdiff_t rowStart = static_cast<std::ptrdiff_t>(row) * w;
        pickParticles(picked, block.from + rowStart, block.to + rowStart, switchAt_.data() + first,
                      count, w, moment);
        for (int i = 0; i < count; ++i) {
            Pixel* at = out + landing[i];
            std::memcpy(at, picked + 2 * i, 2 * sizeof(Pixel));
            std::memcpy(at + w, picked + w + 2 * i, 2 * sizeof(Pixel));
        }
    }
}

int ScatterSwap::end(const PictureFrameBlock&) {
    particles_ = {};
    offsetX_ = {};
    offsetY_ = {};
    switchAt_ = {};
    landing_ = {};
    picked_ = {};
    fast_ = false;
    width_ = 0;
    height_ = 0;
    return 0;
}

}  // namespace effects
