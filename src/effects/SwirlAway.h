#pragma once

#include <cstdint>
#include <vector>

#include "effects/EffectHandler.h"
#include "effects/PixelPath.h"

namespace effects {

// The outgoing picture twists and draws in toward the centre, uncovering
// the incoming picture where it pulls away.
class SwirlAway final : public PictureEffect {
  public:
    // Which code computes the fast path's source indices: the widest the
    // processor has, or a narrower one (tests hold each to the plain path).
    enum class Kernel : std::uint8_t { Widest, Avx2, Scalar };

    explicit SwirlAway(PixelPath path = PixelPath::Fast, Kernel kernel = Kernel::Widest)
        : path_(path), kernel_(kernel) {}

    // Builds the radial displacement of every pixel.
    int begin(const PictureFrameBlock& block) override;
    int frame(const PictureFrameBlock& block) override;
    int end(const PictureFrameBlock& block) override;

  private:
    void framePlain(const PictureFrameBlock& block, std::int64_t q) const;
    void frameFast(const PictureFrameBlock& block, std::int32_t q);
    bool buildTileBounds(int w, int h);

    PixelPath path_;
    Kernel kernel_;
    // 4096 * half-diagonal * (1 - d^2 / F) along the pixel's ray from the
    // centre, per axis; empty without Begin. The plain path keeps one entry
    // per pixel. The displacement is odd in its own axis and even in the
    // other, so the fast path keeps only the quarter of non-negative
    // offsets from the centre, (H / 2 + 1) rows of W / 2 + 1, and mirrors
    // it: a quarter of the memory to stream through per frame.
    std::vector<std::int32_t> dx_;
    std::vector<std::int32_t> dy_;
    // Per tile of the fast path, the least and greatest displacement of
    // its pixels, so that a frame finds the tiles that sample wholly
    // outside the picture (a copy of `to`) or wholly inside it (no edge
    // tests) without looking at their pixels.
    struct TileBounds {
        std::int32_t dxLow, dxHigh, dyLow, dyHigh;
    };
    std::vector<TileBounds> tiles_;
    // Per frame, what each tile does; the source index of every pixel
    // (-1: `to`) of the row being copied and of the next.
    enum class TileKind : std::uint8_t { Outside, Inside, Edge };
    std::vector<TileKind> tileKinds_;
    std::vector<std::int32_t> rowIndex_;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace effects
