#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/KernelPath.h"

namespace imaging {

// One inverse DCT path: how the scan dequantises for it and how it turns a
// block of 64 dequantised coefficients (natural order, coefficient 0 already
// carrying the +128 level shift) into 8 x 8 samples clamped to 0..255.
struct JpegIdct {
    // transform(block, out, stride): writes 8 rows of 8 samples at out with
    // the given row stride and clears the block for the next one.
    void (*transform)(std::int16_t* block, std::uint8_t* out, std::ptrdiff_t stride);
    // The sample value of a block whose only nonzero coefficient is the DC
    // one: exactly what transform() would give for it.
    std::uint8_t (*dcOnly)(std::int16_t dc);
    // Coefficients enter scaled by factor(position) / 4096, factor from
    // dequantisationFactor().
    bool aanPrescaled;
};

// The portable path: Lee's fast IDCT in 32-bit fixed point with a range
// table, or the SSE2 path: the Arai-Agui-Nakajima IDCT in 16-bit fixed point.
const JpegIdct& jpegIdct(KernelPath path);

// Dequantisation multiplier in units of 1/4096 for quantisation value q at
// natural position n: q * 4096 for the portable path, q * AAN scale(n) for
// the AAN path (its prescale, with two extra fraction bits).
std::int32_t dequantisationFactor(const JpegIdct& idct, int q, int naturalPosition);
// What the DC coefficient gets for the +128 level shift, in the same units
// as the dequantised coefficients.
std::int32_t levelShift(const JpegIdct& idct);

// The two transforms, for tests and benchmarks.
void idctLee(std::int16_t* block, std::uint8_t* out, std::ptrdiff_t stride);
std::uint8_t idctLeeDcOnly(std::int16_t dc);
#if defined(__SSE2__)
void idctAanSse2(std::int16_t* block, std::uint8_t* out, std::ptrdiff_t stride);
std::uint8_t idctAanDcOnly(std::int16_t dc);
#endif

}  // namespace imaging
