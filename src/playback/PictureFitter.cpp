#include "playback/PictureFitter.h"

#include <algorithm>
#include <cstring>

#include "imaging/BilinearScaler.h"
#include "imaging/Darken.h"

namespace playback {

SourceWindow sourceWindow(int pw, int ph, const SourceRect& rect, int stageWidth, int stageHeight) {
    if (!rect.isWhole()) {
        return {rect.left, ph - rect.bottom, rect.right - rect.left, rect.bottom - rect.top};
    }
    const long long w = pw, h = ph, sw = stageWidth, sh = stageHeight;
    if (h * sw < w * sh) {
        const int height = static_cast<int>(w * sh / sw);
        return {0, -(height - ph) / 2, pw, height};
    }
    const int width = static_cast<int>(h * sw / sh);
    return {-(width - pw) / 2, 0, width, ph};
}

void reduceByAveraging(const PixelsView& source, int sx, int sy, int sw, int sh,
                       std::uint8_t* destination, int dw, int dh, int destinationStride,
                       std::vector<std::uint64_t>& scratch) {
    // Each target pixel covers sw/dw x sh/dh source pixels; edge pixels count
    // with the fraction they fall inside (weights in 1/256).
    const std::size_t stride = static_cast<std::size_t>(source.width) * 4;
    if (dw == sw && dh == sh) {
        for (int y = 0; y < dh; ++y) {
            std::memcpy(destination + static_cast<std::size_t>(y) * destinationStride,
                        source.pixels + (sy + y) * stride + static_cast<std::size_t>(sx) * 4,
                        static_cast<std::size_t>(dw) * 4);
        }
        return;
    }
    scratch.assign(static_cast<std::size_t>(dw) * 3, 0);
    for (int ty = 0; ty < dh; ++ty) {
        // Source rows [y0, y1) in 1/256 units.
        const long long y0 = static_cast<long long>(ty) * sh * 256 / dh;
        const long long y1 = static_cast<long long>(ty + 1) * sh * 256 / dh;
        std::fill(scratch.begin(), scratch.end(), 0);
        std::uint64_t totalWeight = 0;
        for (long long ys = y0 >> 8; ys < ((y1 + 255) >> 8) && ys < sh; ++ys) {
            const long long top = std::min<long long>(y1, (ys + 1) << 8);
            const long long bottom = std::max<long long>(y0, ys << 8);
            const auto weight = static_cast<std::uint32_t>(top - bottom);
            if (weight == 0) {
                continue;
            }
            totalWeight += weight;
            const std::uint8_t* row =
                source.pixels + (sy + ys) * stride + static_cast<std::size_t>(sx) * 4;
            for (int tx = 0; tx < dw; ++tx) {
                const long long x0 = static_cast<long long>(tx) * sw * 256 / dw;
                const long long x1 = static_cast<long long>(tx + 1) * sw * 256 / dw;
                std::uint64_t b = 0, g = 0, r = 0, wsum = 0;
                for (long long xs = x0 >> 8; xs < ((x1 + 255) >> 8) && xs < sw; ++xs) {
                    const long long right = std::min<long long>(x1, (xs + 1) << 8);
                    const long long left = std::max<long long>(x0, xs << 8);
                    const auto wx = static_cast<std::uint64_t>(right - left);
                    const std::uint8_t* p = row + xs * 4;
                    b += p[0] * wx;
                    g += p[1] * wx;
                    r += p[2] * wx;
                    wsum += wx;
                }
                if (wsum == 0) {
                    continue;
                }
                // Normalise the horizontal sum to 1/256 units before the
                // vertical weight multiplies it, keeping 32 bits enough.
                std::uint64_t* acc = &scratch[static_cast<std::size_t>(tx) * 3];
                acc[0] += b * 256 / wsum * weight;
                acc[1] += g * 256 / wsum * weight;
                acc[2] += r * 256 / wsum * weight;
            }
        }
        std::uint8_t* out = destination + static_cast<std::size_t>(ty) * destinationStride;
        const std::uint64_t divisor = std::max<std::uint64_t>(totalWeight, 1) * 256;
        for (int tx = 0; tx < dw; ++tx) {
            const std::uint64_t* acc = &scratch[static_cast<std::size_t>(tx) * 3];
            out[tx * 4 + 0] = static_cast<std::uint8_t>((acc[0] + divisor / 2) / divisor);
            out[tx * 4 + 1] = static_cast<std::uint8_t>((acc[1] + divisor / 2) / divisor);
            out[tx * 4 + 2] = static_cast<std::uint8_t>((acc[2] + divisor / 2) / divisor);
            out[tx * 4 + 3] = 0;
        }
    }
}

void PictureFitter::draw(const PixelsView& picture, const PixelsView& overlay,
                         const SourceRect& rect, std::uint8_t* target, int stageWidth,
                         int stageHeight) {
    const std::size_t frameBytes = static_cast<std::size_t>(stageWidth) * stageHeight * 4;
    std::memset(target, 0, frameBytes);
    if (picture.pixels != nullptr && picture.width > 0 && picture.height > 0) {
        const SourceWindow window =
            sourceWindow(picture.width, picture.height, rect, stageWidth, stageHeight);
        if (window.width > 0 && window.height > 0) {
            // The intermediate is stage-sized when the window is wider than
            // the stage (a reduction), else the window's own size.
            const bool reduce = stageWidth < window.width;
            const int iw = reduce ? stageWidth : window.width;
            const int ih = reduce ? stageHeight : window.height;
            intermediate_.assign(static_cast<std::size_t>(iw) * ih * 4, 0);

            // The part of the window inside the picture, and where it lands.
            const int cx0 = std::max(window.x, 0);
            const int cy0 = std::max(window.y, 0);
            const int cx1 = std::min(window.x + window.width, picture.width);
            const int cy1 = std::min(window.y + window.height, picture.height);
            if (cx1 > cx0 && cy1 > cy0) {
                // Offset and size are each truncated, so a bar never
                // widens the picture by a rounding pixel.
                auto scaled = [](int v, int to, int from) {
                    return static_cast<int>(static_cast<long long>(v) * to / from);
                };
                const int dx0 = scaled(cx0 - window.x, iw, window.width);
                const int dy0 = scaled(cy0 - window.y, ih, window.height);
                const int dx1 = dx0 + std::max(scaled(cx1 - cx0, iw, window.width), 1);
                const int dy1 = dy0 + std::max(scaled(cy1 - cy0, ih, window.height), 1);
                std::uint8_t* origin =
                    intermediate_.data() + (static_cast<std::size_t>(dy0) * iw + dx0) * 4;
                const int dw = std::min(dx1, iw) - dx0;
                const int dh = std::min(dy1, ih) - dy0;
                if (dw > 0 && dh > 0) {
                    reduceByAveraging(picture, cx0, cy0, cx1 - cx0, cy1 - cy0, origin, dw, dh,
                                      iw * 4, columnSums_);
                }
            }
            imaging::scaleBilinear32(intermediate_.data(), iw, ih, target, stageWidth, stageHeight);
        }
    }
    if (overlay.pixels != nullptr && overlay.width > 0 && overlay.height > 0) {
        mask_.resize(frameBytes);
        imaging::scaleBilinear32(overlay.pixels, overlay.width, overlay.height, mask_.data(),
                                 stageWidth, stageHeight);
        imaging::darken(target, mask_.data(), static_cast<std::size_t>(stageWidth) * stageHeight);
    }
}

}  // namespace playback
