#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "effects/EffectHandler.h"
#include "effects/PixelPath.h"
#include "effects/SeedClock.h"

namespace effects {

class RandomGenerator;

// The picture blows apart into 2 x 2 particles over black and comes back
// together; each particle turns from the outgoing to the incoming picture
// at its own random moment. Needs an even width and height: on other sizes
// Begin builds nothing and frames draw nothing.
class ScatterSwap final : public PictureEffect {
  public:
    // Begin reseeds `random` from the processor-time clock of `clock`.
    ScatterSwap(RandomGenerator& random, const SeedClock& clock, PixelPath path = PixelPath::Fast)
        : random_(random), clock_(clock), path_(path) {}

    int begin(const PictureFrameBlock& block) override;
    int frame(const PictureFrameBlock& block) override;
    int end(const PictureFrameBlock& block) override;

    // How far the particles are spread at a progress of 0 to 1: 0 at both
    // ends, 808 at the middle, eased in and out around it.
    static int spread(double progress);

  private:
    struct Particle {
        std::int32_t fx, fy;    // offset in pixels at a spread of 1024
        std::int32_t switchAt;  // 1 to 255: shows `to` once trunc(256 c) reaches it
    };

    void drawPlain(const PictureFrameBlock& block, std::int64_t spreadNow, int moment) const;
    void drawFast(const PictureFrameBlock& block, std::int64_t spreadNow, int moment) const;

    RandomGenerator& random_;
    const SeedClock& clock_;
    PixelPath path_;
    std::vector<Particle> particles_;  // in memory order
    // The fast path keeps the particles as columns instead (particles_ is
    // then empty) and where each particle of a row pair lands, kept between
    // frames to spare allocations.
    std::vector<std::int16_t> offsetX_;
    std::vector<std::int16_t> offsetY_;
    std::vector<std::uint8_t> switchAt_;
    mutable std::vector<std::int32_t> landing_;
    mutable std::vector<Pixel> picked_;  // one row pair's particles, each from its picture
    bool fast_ = false;
    int width_ = 0;  // 0 without Begin
    int height_ = 0;
};

}  // namespace effects
