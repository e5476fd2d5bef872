#include "render3d/Resample.h"

#include <cstddef>
#include <cstdint>

namespace render3d {

void resampleImage(ImageView destination, ConstImageView source) {
    const int dw = destination.width, dh = destination.height;
    const int sw = source.width, sh = source.height;
    if (destination.pixels == nullptr || source.pixels == nullptr || dw <= 0 || dh <= 0 ||
        sw <= 0 || sh <= 0) {
        return;
    }
    const std::int64_t stepX = static_cast<std::int64_t>(sw) * 65536 / dw;
    const std::int64_t stepY = static_cast<std::int64_t>(sh) * 65536 / dh;
    const auto* src = reinterpret_cast<const std::uint8_t*>(source.pixels);
    auto* dst = reinterpret_cast<std::uint8_t*>(destination.pixels);
    const std::size_t srcStride = static_cast<std::size_t>(sw) * 4;
    std::int64_t fy = 0;
    for (int y = 0; y < dh; ++y, fy += stepY) {
        const int r0 = static_cast<int>(fy >> 16);
        const int r1 = r0 + 1 < sh ? r0 + 1 : r0;
        const std::uint8_t* row0 = src + static_cast<std::size_t>(r0) * srcStride;
        const std::uint8_t* row1 = src + static_cast<std::size_t>(r1) * srcStride;
        std::uint8_t* out = dst + static_cast<std::size_t>(y) * dw * 4;
        const int wy = static_cast<int>(fy & 0xFFFF);
        std::int64_t fx = 0;
        for (int x = 0; x < dw; ++x, fx += stepX, out += 4) {
            const int x0 = static_cast<int>(fx >> 16);
            const int x1 = x0 + 1 < sw ? x0 + 1 : x0;
            const int wx = static_cast<int>(fx & 0xFFFF);
            for (int c = 0; c < 3; ++c) {
                const int a = row0[x0 * 4 + c], b = row0[x1 * 4 + c];
                const int e = row1[x0 * 4 + c], f = row1[x1 * 4 + c];
                const int top = a + (((b - a) * wx) >> 16);
                const int bottom = e + (((f - e) * wx) >> 16);
                out[c] = static_cast<std::uint8_t>(top + (((bottom - top) * wy) >> 16));
            }
        }
    }
}

}  // namespace render3d
