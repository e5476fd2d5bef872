#include "imaging/PixelLayout.h"

namespace imaging {

std::optional<std::size_t> bitmapBytes(long long width, long long height) {
    if (width <= 0 || height <= 0 || width > static_cast<long long>(kMaxPixels) ||
        height > static_cast<long long>(kMaxPixels)) {
        return std::nullopt;
    }
    const auto pixels =
        static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height);
    if (pixels > kMaxPixels) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(pixels) * kBytesPerPixel;
}

}  // namespace imaging
