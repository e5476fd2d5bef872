#pragma once

#include <cstdint>
#include <vector>

#include "effects/EffectHandler.h"

namespace effects {

// A per-pixel threshold map decides when each pixel turns from the outgoing
// to the incoming picture. Parameter: low byte the arm count of the pinwheel,
// bits 8 and up the map type: 0 twisted spiral with a soft edge, 1 the same
// with a hard edge, 3 a straight pinwheel with a hard edge, 2 a straight ramp
// from the named side with a soft edge.
class MapWipe final : public PictureEffect {
  public:
    enum class Edge { Soft, Hard };

    // Builds the threshold map for the picture size.
    int begin(const PictureFrameBlock& block) override;
    int frame(const PictureFrameBlock& block) override;
    int end(const PictureFrameBlock& block) override;

  private:
    // Entries are thresholds 0 to -63 (soft) or 0 to -31 (hard); a byte
    // holds them and keeps a frame's pass over the map short.
    std::vector<std::int8_t> map_;  // empty when Begin had no pictures or no memory
    Edge edge_ = Edge::Soft;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace effects
