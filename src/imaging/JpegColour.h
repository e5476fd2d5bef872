#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/KernelPath.h"

namespace imaging {

// The sample planes of one band of image rows, as the scan stored them.
struct JpegPlaneBand {
    const std::uint8_t* y = nullptr;
    std::size_t yStride = 0;
    const std::uint8_t* cb = nullptr;  // null for a greyscale picture
    const std::uint8_t* cr = nullptr;
    std::size_t chromaStride = 0;
    int chromaShiftX = 0;  // log2 of the luma H (chroma factors are 1)
    int chromaShiftY = 0;  // log2 of the luma V
};

// Converts rows [0, rows) of the band into BGRX: the pixel of band row i,
// column j takes luma (i, j) and chroma (i >> shiftY, j >> shiftX):
// blue = Y + B(Cb), green = Y + G(Cb) + G(Cr), red = Y + R(Cr), each
// clamped to 0..255, fourth byte 0. Band row i goes to out - i * outStride
// (bitmaps are bottom-up, so the caller points out at the band's top row).
class JpegColourConverter {
  public:
    void convert(const JpegPlaneBand& band, int rows, int width, std::uint8_t* out,
                 std::ptrdiff_t outStride, KernelPath path);

  private:
    // Per chroma row: the three offsets of each chroma sample.
    std::vector<std::int16_t> blue_, green_, red_;
};

}  // namespace imaging
