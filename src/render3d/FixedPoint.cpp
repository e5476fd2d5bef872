#include "render3d/FixedPoint.h"

#include <cmath>

namespace render3d {

Fixed toFixed(float value) {
    return static_cast<Fixed>(std::lrintf(value * static_cast<float>(kFixedOne)));
}

}  // namespace render3d
