#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/KernelPath.h"

namespace imaging {

// Darkens a frame through a mask of the same size (both BGRX): each pixel's
// blue, green and red drop by 255 minus the mask pixel's blue, stopping at 0.
// A white mask leaves the frame as it is, a black one makes it black; the
// fourth byte is not touched.
void darken(std::uint8_t* frame, const std::uint8_t* mask, std::size_t pixelCount,
            KernelPath path = bestKernelPath());

}  // namespace imaging
