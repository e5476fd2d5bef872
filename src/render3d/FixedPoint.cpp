#include "render3d/FixedPoint.h"

#include <cmath>
#include <limits>

namespace render3d {

Fixed toFixed(float value) {
    return static_cast<Fixed>(std::lrintf(value * static_cast<float>(kFixedOne)));
}

int truncToInt(float value) {
    // 2^31 is exactly representable as a float; everything below it
    // truncates into the int range.
    constexpr float kLimit = 2147483648.0f;
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= kLimit) {
        return std::numeric_limits<int>::max();
    }
    if (value <= -kLimit) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(value);
}

Fixed truncToFixed(float value) {
    return truncToInt(value * static_cast<float>(kFixedOne));
}

}  // namespace render3d
