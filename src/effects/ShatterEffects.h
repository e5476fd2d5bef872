#pragma once

#include <cstdint>
#include <vector>

#include "effects/EffectHandler.h"
#include "effects/PixelPath.h"
#include "effects/SeedClock.h"

namespace effects {

class RandomGenerator;

// Block size of the block transitions: the parameter, lowered until it
// divides both sides of the picture (at least 1).
int blockSizeFor(int parameter, int width, int height);

// The outgoing picture turns into the incoming one block by block, each
// block at its own random percentage.
class RandomBlocks final : public PictureEffect {
  public:
    // Thresholds come from the play thread's generator as it stands.
    explicit RandomBlocks(RandomGenerator& random, PixelPath path = PixelPath::Fast)
        : random_(random), path_(path) {}

    int begin(const PictureFrameBlock& block) override;
    int frame(const PictureFrameBlock& block) override;
    int end(const PictureFrameBlock& block) override;

  private:
    RandomGenerator& random_;
    PixelPath path_;
    std::vector<std::uint8_t> thresholds_;  // one per block, 0 to 99; empty without Begin
    int width_ = 0;
    int height_ = 0;
    int size_ = 1;
};

// The shatters: pieces of the outgoing picture fall and spread sideways,
// ever faster, over the incoming one. Begin reseeds the play thread's
// generator from the processor-time clock and draws a sideways and a
// downward drift per entry.
class Shatter : public PictureEffect {
  public:
    int begin(const PictureFrameBlock& block) override;
    int end(const PictureFrameBlock& block) override;

    // The fixed-point fall factor L of a frame: about 33 at the start of a
    // 1000 ms transition and about 470 000 at its end; a piece's offsets
    // are (L * drift) >> 20.
    static std::int64_t fallFactor(int elapsed, int duration);

  protected:
    Shatter(RandomGenerator& random, const SeedClock& clock, PixelPath path)
        : path_(path), random_(random), clock_(clock) {}

    // How many drift pairs Begin draws for this picture.
    virtual std::size_t entryCount(const PictureFrameBlock& block) const = 0;
    // Copies the picture the frame starts from; false when the frame has
    // nothing more to draw (elapsed 0, or no drifts for this size).
    bool startFrame(const PictureFrameBlock& block) const;

    std::vector<std::int32_t> hx_;  // sideways drift, 0 to 2W - 1; empty without Begin
    std::vector<std::int32_t> hy_;  // downward drift, 5H/2 to 3H - 1
    PixelPath path_;

  private:
    RandomGenerator& random_;
    const SeedClock& clock_;
    bool ready_ = false;  // Begin drew the drifts for this size
    int width_ = 0;
    int height_ = 0;
};

// Square blocks of the parameter's size (see blockSizeFor).
class ShatterBlocks final : public Shatter {
  public:
    ShatterBlocks(RandomGenerator& random, const SeedClock& clock, PixelPath path = PixelPath::Fast)
        : Shatter(random, clock, path) {}
    int frame(const PictureFrameBlock& block) override;

  private:
    std::size_t entryCount(const PictureFrameBlock& block) const override;
};

// 2 x 2 particles.
class ShatterFine final : public Shatter {
  public:
    ShatterFine(RandomGenerator& random, const SeedClock& clock, PixelPath path = PixelPath::Fast)
        : Shatter(random, clock, path) {}
    int begin(const PictureFrameBlock& block) override;
    int frame(const PictureFrameBlock& block) override;
    int end(const PictureFrameBlock& block) override;

  private:
    std::size_t entryCount(const PictureFrameBlock& block) const override;
    void drawPlain(const PictureFrameBlock& block, std::int64_t fall) const;
    void drawFast(const PictureFrameBlock& block, std::int32_t fall);

    std::vector<std::int32_t> landing_;  // one row pair's, kept to spare allocations
    std::vector<Pixel> spare_;           // where the particles not drawn are written
    // The drifts for the fast path (see begin); empty on the plain path.
    std::vector<std::int16_t> driftX_;
    std::vector<std::int16_t> driftY_;
};

}  // namespace effects
