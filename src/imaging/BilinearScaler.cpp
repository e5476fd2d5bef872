#include "imaging/BilinearScaler.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace imaging {

namespace {

template <int kSourceBytes>
void scaleBilinear(const std::uint8_t* source, std::size_t sourceStride, int sw, int sh,
                   std::uint8_t* destination, int dw, int dh) {
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) {
        return;
    }
    // 64-bit positions: sw * 65536 overflows 32 bits for wide pictures.
    const std::int64_t xStep = (static_cast<std::int64_t>(sw) << 16) / dw;
    const std::int64_t yStep = (static_cast<std::int64_t>(sh) << 16) / dh;

    // Column offsets and weights are the same for every row.
    std::vector<std::uint32_t> left(static_cast<std::size_t>(dw));
    std::vector<std::uint32_t> right(static_cast<std::size_t>(dw));
    std::vector<std::int32_t> weight(static_cast<std::size_t>(dw));
    std::int64_t x = 0;
    for (int i = 0; i < dw; ++i, x += xStep) {
        const auto c = static_cast<std::uint32_t>(x >> 16);
        left[i] = c * kSourceBytes;
        right[i] = (c + 1 < static_cast<std::uint32_t>(sw) ? c + 1 : c) * kSourceBytes;
        weight[i] = static_cast<std::int32_t>(x & 0xFFFF);
    }

    std::int64_t y = 0;
    for (int row = 0; row < dh; ++row, y += yStep) {
        const auto r = static_cast<std::size_t>(y >> 16);
        const std::uint8_t* lower = source + r * sourceStride;
        const std::uint8_t* upper =
            r + 1 < static_cast<std::size_t>(sh) ? lower + sourceStride : lower;
        const auto wy = static_cast<std::int32_t>(y & 0xFFFF);
        std::uint8_t* out = destination + static_cast<std::size_t>(row) * dw * kBytesPerPixel;
        for (int i = 0; i < dw; ++i) {
            const std::uint8_t* p0 = lower + left[i];
            const std::uint8_t* p1 = lower + right[i];
            const std::uint8_t* q0 = upper + left[i];
            const std::uint8_t* q1 = upper + right[i];
            const std::int32_t wx = weight[i];
            for (int ch = 0; ch < 3; ++ch) {
                const std::int32_t a = p0[ch] + (((p1[ch] - p0[ch]) * wx) >> 16);
                const std::int32_t b = q0[ch] + (((q1[ch] - q0[ch]) * wx) >> 16);
                out[ch] = static_cast<std::uint8_t>(a + (((b - a) * wy) >> 16));
            }
            out += kBytesPerPixel;
        }
    }
}

}  // namespace

void scaleBilinear32(const std::uint8_t* source, int sw, int sh, std::uint8_t* destination, int dw,
                     int dh) {
    scaleBilinear<4>(source, static_cast<std::size_t>(sw) * 4, sw, sh, destination, dw, dh);
}

void scaleBilinear24(const std::uint8_t* source, int sw, int sh, std::uint8_t* destination, int dw,
                     int dh) {
    scaleBilinear<3>(source, bgrRowStride(sw), sw, sh, destination, dw, dh);
}

bool scaleToDevice(FrameSection& target, int x, int y, int dw, int dh, int sw, int sh,
                   const std::uint8_t* sourcePixels, const BitmapInfoHeader& sourceHeader,
                   RasterOp op) {
    if (sourcePixels == nullptr || sw <= 0 || sh <= 0 || !bitmapBytes(sw, sh)) {
        return false;
    }
    if (sourceHeader.bitCount != 32 && sourceHeader.bitCount != 24) {
        return false;
    }
    auto scaled = createFrameSection(nullptr, dw, dh);
    if (!scaled) {
        return false;
    }
    if (sourceHeader.bitCount == 32) {
        scaleBilinear32(sourcePixels, sw, sh, scaled->pixels(), dw, dh);
    } else {
        scaleBilinear24(sourcePixels, sw, sh, scaled->pixels(), dw, dh);
    }

    // Copy onto the target, clipped; rows are counted from the top here.
    const int x0 = std::max(x, 0);
    const int x1 = std::min(x + dw, target.width());
    const int y0 = std::max(y, 0);
    const int y1 = std::min(y + dh, target.height());
    if (x0 >= x1 || y0 >= y1) {
        return true;
    }
    switch (op) {
        case RasterOp::SrcCopy:
            for (int top = y0; top < y1; ++top) {
                const std::uint8_t* from =
                    scaled->row(dh - 1 - (top - y)) + static_cast<std::size_t>(x0 - x) * 4;
                std::uint8_t* to =
                    target.row(target.height() - 1 - top) + static_cast<std::size_t>(x0) * 4;
                std::memcpy(to, from, static_cast<std::size_t>(x1 - x0) * 4);
            }
            break;
    }
    return true;
}

}  // namespace imaging
