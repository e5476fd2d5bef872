#include "effects/CrossFade.h"

#include <cstdint>

#include "effects/PictureRows.h"
#include "effects/PixelBlend.h"

namespace effects {

int CrossFade::frame(const PictureFrameBlock& block) {
    const int d = static_cast<int>(std::int64_t{block.elapsed} * 127 / block.duration);
    blendBytes7(reinterpret_cast<std::uint8_t*>(block.out),
                reinterpret_cast<const std::uint8_t*>(block.to),
                reinterpret_cast<const std::uint8_t*>(block.from), 127 - d,
                pixelCount(block) * sizeof(Pixel));
    return 0;
}

}  // namespace effects
