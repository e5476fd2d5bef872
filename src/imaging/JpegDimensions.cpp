#include "imaging/JpegDimensions.h"

namespace imaging {

std::optional<JpegDimensions> readJpegDimensions(std::span<const std::uint8_t> bytes) {
    auto at = [&bytes](std::size_t i) -> int { return i < bytes.size() ? bytes[i] : -1; };
    if (at(0) != 0xFF || at(1) != 0xD8) {
        return std::nullopt;
    }
    std::size_t pos = 2;
    while (pos + 4 <= bytes.size()) {
        if (at(pos) != 0xFF) {
            return std::nullopt;
        }
        const int marker = at(pos + 1);
        if (marker == 0xFF) {
            ++pos;  // fill byte
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2;  // markers without a length
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) {
            return std::nullopt;  // image or scan before any frame header
        }
        const std::size_t length = static_cast<std::size_t>(at(pos + 2) << 8 | at(pos + 3));
        if (length < 2) {
            return std::nullopt;
        }
        const bool frameHeader =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frameHeader) {
            if (length < 8 || pos + 2 + 8 > bytes.size()) {
                return std::nullopt;
            }
            JpegDimensions dimensions;
            dimensions.height = at(pos + 5) << 8 | at(pos + 6);
            dimensions.width = at(pos + 7) << 8 | at(pos + 8);
            dimensions.components = at(pos + 9);
            dimensions.baseline = marker == 0xC0;
            if (dimensions.width == 0 || dimensions.height == 0) {
                return std::nullopt;
            }
            return dimensions;
        }
        pos += 2 + length;
    }
    return std::nullopt;
}

}  // namespace imaging
