#include "effects/PixelBlend.h"

#include <algorithm>

namespace effects {

void blendBytes(std::uint8_t* __restrict out, const std::uint8_t* __restrict a,
                const std::uint8_t* __restrict b, int k, int shift, std::size_t bytes) {
    const std::int16_t weight = static_cast<std::int16_t>(k);
    for (std::size_t i = 0; i < bytes; ++i) {
        const int difference = static_cast<std::int16_t>(b[i] - a[i]);
        const int value = a[i] + (static_cast<std::int16_t>(weight * difference) >> shift);
        out[i] = static_cast<std::uint8_t>(std::clamp(value, 0, 255));
    }
}

}  // namespace effects
