#pragma once

#include <cstdint>
#include <vector>

#include "effects/EffectHandler.h"
#include "effects/PixelPath.h"

namespace effects {

// A per-pixel threshold map decides when each pixel turns from the outgoing
// to the incoming picture. Parameter: low byte the arm count of the pinwheel,
// bits 8 and up the map type: 0 twisted spiral with a soft edge, 1 the same
// with a hard edge, 3 a straight pinwheel with a hard edge, 2 a straight ramp
// from the named side with a soft edge.
class MapWipe final : public PictureEffect {
  public:
    enum class Edge { Soft, Hard };

    explicit MapWipe(PixelPath path = PixelPath::Fast) : path_(path) {}

    // Builds the threshold map for the picture size.
    int begin(const PictureFrameBlock& block) override;
    int frame(const PictureFrameBlock& block) override;
    int end(const PictureFrameBlock& block) override;

  private:
    PixelPath path_;
    // One byte per pixel: the negated threshold, 0 to 63 (soft) or 0 to 31
    // (hard). A byte keeps a frame's pass over the map short, and unsigned
    // saturating byte arithmetic turns it into a weight.
    std::vector<std::uint8_t> map_;  // empty when Begin had no pictures or no memory
    Edge edge_ = Edge::Soft;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace effects
