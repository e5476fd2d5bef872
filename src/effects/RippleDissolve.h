#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "effects/EffectHandler.h"
#include "effects/PixelPath.h"

namespace effects {

// Concentric ripples run outward from the centre and displace the pictures
// in 2 x 2 blocks while the outgoing picture dissolves into the incoming one
// along the ripple phase. The ripples swell over the first fifth, hold, and
// die down over the last fifth. Direction and parameter are not read.
class RippleDissolve final : public PictureEffect {
  public:
    explicit RippleDissolve(PixelPath path = PixelPath::Fast) : path_(path) {}

    // Builds the phase and direction of every block and the wave tables.
    int begin(const PictureFrameBlock& block) override;
    // Writes nothing when Begin could not build its tables.
    int frame(const PictureFrameBlock& block) override;
    int end(const PictureFrameBlock& block) override;

    // What Begin derived for the block whose lower-left pixel is (x, y),
    // x and y even: phase 1..wavelength and direction weights 0..31.
    struct BlockWave {
        std::uint16_t phase;
        std::uint8_t across, along;  // |x - cx| * 31 / d and |y - cy| * 31 / d
    };
    BlockWave blockAt(int x, int y) const;
    int wavelength() const { return static_cast<int>(sine_.size()); }

    // A source corner reflected back into 0 .. length - 2, so that the
    // block's second pixel is inside too.
    static int reflect(int position, int length);

    // One entry of the AVX2 path's per-frame table: where a block of one
    // phase and direction reads, and how it blends.
    struct Move {
        std::int32_t delta;     // dy * W + dx
        std::uint32_t weights;  // v, 128 - v, v, 128 - v as bytes
    };
    // The same move as a column and row shift, for blocks near an edge.
    struct Shift {
        std::int16_t dx, dy;
    };

  private:
    PixelPath path_;
    std::vector<BlockWave> blocks_;  // (width / 2) x (height / 2); empty without Begin
    std::vector<int> sine_;          // sin(2 pi j / wavelength) * 127
    std::vector<int> cosine_;        // cos(2 pi j / wavelength) * 31
    // Per block phase, refilled each frame: the displacement factor and the
    // weight.
    struct Step {
        int push;    // sine * amplitude
        int weight;  // v: how much of `from`, 0..127
    };
    std::vector<Step> steps_;
    // The AVX2 path's tables. Blocks fall into some 120 directions
    // (across, along); per block a key phase * directions + direction picks,
    // from a table refilled each frame, the whole source offset and the blend
    // weights, so that a block costs two look-ups and no arithmetic. The
    // directions are padded to a multiple of 8 for the refill.
    std::vector<std::int32_t> across_, along_;
    std::vector<std::uint16_t> keys_;  // per block; empty when the keys would not fit 16 bits
    std::vector<Move> moves_;          // (wavelength + 1) x directions, by key
    std::vector<Shift> shifts_;        // the same keys
    // Blocks near an edge look up their reflected source row offset and
    // column, for rows and columns up to REACH beyond the frame; the AVX2
    // path draws frames whose shifts stay within it.
    static constexpr int REACH = 32;
    std::vector<std::ptrdiff_t> rowAt_;  // reflect(y, H) * W for y = -REACH .. H + REACH - 1
    std::vector<int> columnAt_;          // reflect(x, W) for x = -REACH .. W + REACH - 1
    int width_ = 0;
    int height_ = 0;
};

}  // namespace effects
