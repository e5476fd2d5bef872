#pragma once

#include "effects/FrameBlocks.h"

namespace effects {

// Several transitions write only the three colour bytes of a pixel and
// leave the fourth byte of the output as it was.
inline constexpr Pixel COLOUR_BYTES = 0x00FFFFFF;

inline Pixel withColourOf(Pixel kept, Pixel colour) {
    return (kept & ~COLOUR_BYTES) | (colour & COLOUR_BYTES);
}

}  // namespace effects
