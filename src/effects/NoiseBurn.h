#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "effects/EffectHandler.h"
#include "effects/PixelPath.h"
#include "effects/SeedClock.h"

namespace effects {

class RandomGenerator;

// The incoming picture burns through the outgoing one along a fractal
// height map, lowest points first, behind a 30-level band of orange and
// yellow.
class NoiseBurn final : public PictureEffect {
  public:
    // Begin reseeds `random` from the processor-time clock of `clock` and
    // draws the map from it.
    NoiseBurn(RandomGenerator& random, const SeedClock& clock, PixelPath path = PixelPath::Fast)
        : random_(random), clock_(clock), path_(path) {}

    int begin(const PictureFrameBlock& block) override;
    int frame(const PictureFrameBlock& block) override;
    int end(const PictureFrameBlock& block) override;

    static constexpr int RAMP_LEVELS = 30;
    // The colour of each level of the burning band, from the burnt side.
    static std::array<Pixel, RAMP_LEVELS> ramp();

    // Heights of the last Begin, row by row in memory order.
    const std::vector<std::int32_t>& heights() const { return heights_; }

  private:
    RandomGenerator& random_;
    const SeedClock& clock_;
    PixelPath path_;
    std::vector<std::int32_t> heights_;  // empty without Begin
    // The fast path's copy of the heights above the lowest, in half the
    // bytes; empty on the plain path and when they span 65536 or more.
    std::vector<std::uint16_t> raised_;
    std::int32_t lowest_ = 0;
    std::int32_t highest_ = 0;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace effects
