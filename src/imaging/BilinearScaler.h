#pragma once

#include <cstdint>

#include "imaging/FrameSection.h"
#include "imaging/PixelLayout.h"

namespace imaging {

// Bilinear scaling in 16.16 fixed point, one pass over the destination.
// Source and destination rows are bottom-up; the destination is BGRX with
// stride dw * 4 and its fourth byte is left as it is. The last source column
// and the top source row take themselves as their right and upper
// neighbours, so nothing beyond the source is read.
//
// 32-bit source: 4-byte pixels, stride sw * 4.
void scaleBilinear32(const std::uint8_t* source, int sw, int sh, std::uint8_t* destination, int dw,
                     int dh);
// 24-bit source: 3-byte pixels, rows padded to a multiple of 4 bytes.
void scaleBilinear24(const std::uint8_t* source, int sw, int sh, std::uint8_t* destination, int dw,
                     int dh);

// Bytes per row of a 24-bit bitmap of width w.
constexpr std::size_t bgrRowStride(int w) {
    return (3 * static_cast<std::size_t>(w) + 3) & ~std::size_t{3};
}

// How a scaled picture lands on its target; the compositor only ever copies.
enum class RasterOp { SrcCopy };

// Scales the source (sw x sh, bit count from its header: 32 or 24) to
// dw x dh and copies the result onto the target with its top-left corner at
// (x, y), y counted from the target's top row; what falls outside the target
// is clipped. False, with the target untouched, for any other bit count,
// sizes that are not positive or memory that cannot be had.
bool scaleToDevice(FrameSection& target, int x, int y, int dw, int dh, int sw, int sh,
                   const std::uint8_t* sourcePixels, const BitmapInfoHeader& sourceHeader,
                   RasterOp op = RasterOp::SrcCopy);

}  // namespace imaging
