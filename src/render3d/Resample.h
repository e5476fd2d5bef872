#pragma once

#include "render3d/ImageView.h"

namespace render3d {

// Bilinear resampling of a 32-bit picture in 16.16 fixed point, as the 3D
// transitions make their 512 x 512 textures. Source pixel (x, y) is sampled
// at x * sw / dw, y * sh / dh (no half-pixel centring); the last source row
// and column are their own lower and right neighbours. Only the blue, green
// and red bytes of each destination pixel are written. Does nothing when
// either picture is empty.
void resampleImage(ImageView destination, ConstImageView source);

}  // namespace render3d
