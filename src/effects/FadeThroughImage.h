#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "effects/EffectHandler.h"
#include "effects/FrameBlocks.h"

namespace effects {

class RandomGenerator;

// The outgoing picture fades into a generated sunburst (a warm glowing disc
// with a ring and faint rays of random brightness) over the first third, the
// sunburst holds, and the incoming picture fades in over the last third.
class FadeThroughImage final : public PictureEffect {
  public:
    // Ray brightnesses are drawn from `random`, the generator of the thread
    // that plays the transitions.
    explicit FadeThroughImage(RandomGenerator& random) : random_(random) {}

    // Draws the ray table and generates the sunburst for the picture size.
    int begin(const PictureFrameBlock& block) override;
    int frame(const PictureFrameBlock& block) override;
    int end(const PictureFrameBlock& block) override;

    static constexpr int RAY_COUNT = 30;

  private:
    RandomGenerator& random_;
    std::array<std::uint8_t, RAY_COUNT> rays_{};
    std::vector<Pixel> image_;  // empty when Begin had no pictures or no memory
    int width_ = 0;
    int height_ = 0;
};

}  // namespace effects
