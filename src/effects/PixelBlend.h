#pragma once

#include <cstddef>
#include <cstdint>

#include "effects/FrameBlocks.h"

namespace effects {

// The per-pixel arithmetic of the fading transitions, on 16-bit lanes as the
// packed-integer instructions they were written for: blend(a, b, k, s) is
// a + ((k * (b - a)) >> s) per byte with an arithmetic shift. Each kernel has
// a plain version and, where the processor has SSE2, a fast one giving the
// same bytes; the tests hold the two together. The file is built with -O3 so
// that gcc vectorises the plain loops as well.

// out = a + ((k * (b - a)) >> 7) for `bytes` bytes; 0 <= k <= 128 keeps the
// result within 0..255. gcc vectorises this one itself.
void blendBytes7(std::uint8_t* out, const std::uint8_t* a, const std::uint8_t* b, int k,
                 std::size_t bytes);

// Soft map wipe: per pixel k = min(max(base - threshold, 0), 32), each byte
// blend(from, to, k, 5).
void mapSoftPlain(Pixel* out, const Pixel* from, const Pixel* to, const std::uint8_t* thresholds,
                  int base, std::size_t count);
void mapSoftFast(Pixel* out, const Pixel* from, const Pixel* to, const std::uint8_t* thresholds,
                 int base, std::size_t count);
// The SSE2 kernel on its own; mapSoftFast takes an AVX2 one where the
// processor has it, so the tests hold this one to the plain code directly.
void mapSoftSse2(Pixel* out, const Pixel* from, const Pixel* to, const std::uint8_t* thresholds,
                 int base, std::size_t count);

// Hard map wipe: a pixel shows `to` when its threshold is below `half`.
void mapHardPlain(Pixel* out, const Pixel* from, const Pixel* to, const std::uint8_t* thresholds,
                  int half, std::size_t count);
void mapHardFast(Pixel* out, const Pixel* from, const Pixel* to, const std::uint8_t* thresholds,
                 int half, std::size_t count);

// Negative flash, three phases; each writes the three colour bytes of every
// pixel and keeps the fourth byte of `out`.
// (e * grey + (1024 - e) * from) >> 10, 0 <= e <= 1024.
void negativeFadePlain(Pixel* out, const Pixel* from, const std::uint8_t* grey, int e,
                       std::size_t count);
void negativeFadeFast(Pixel* out, const Pixel* from, const std::uint8_t* grey, int e,
                      std::size_t count);
// Every colour byte the grey level burnt by e: max(grey, min(4 * grey - e, 255)),
// the level table of the effect in closed form.
void negativeBurnPlain(Pixel* out, const std::uint8_t* grey, int e, std::size_t count);
void negativeBurnFast(Pixel* out, const std::uint8_t* grey, int e, std::size_t count);
// (255 * (1024 - e) + e * to) >> 10, 0 <= e <= 1024.
void negativeWhitePlain(Pixel* out, const Pixel* to, int e, std::size_t count);
void negativeWhiteFast(Pixel* out, const Pixel* to, int e, std::size_t count);

}  // namespace effects
