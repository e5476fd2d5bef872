#pragma once

#include <cstddef>
#include <cstdint>

namespace effects {

// Per-byte blends on 16-bit lanes, the arithmetic the fading transitions have
// always used: each byte a + ((k * (b - a)) >> shift), arithmetic shift,
// clamped to 0..255. All four bytes of a pixel are treated alike.
// Built with -O3 so that gcc vectorises the loops.

// out = a + ((k * (b - a)) >> shift) for `bytes` bytes; 0 <= k <= 128 >> (7 - shift).
void blendBytes(std::uint8_t* out, const std::uint8_t* a, const std::uint8_t* b, int k, int shift,
                std::size_t bytes);

}  // namespace effects
