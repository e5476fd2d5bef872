#include "effects/CubeShuffle3D.h"

#include <cmath>

#include "effects/PictureRows.h"

namespace effects {

namespace {

// Blocks are two thirds of a unit wide and deep: six side by side span the
// picture's four units.
constexpr float HALF_BLOCK = 1.0f / 3.0f;
constexpr float BLOCK = 0.6666667f;

}  // namespace

int CubeShuffle3D::begin(const PictureFrameBlock& block) {
    if (!beginScene(block, Pictures::FromAndTo) || !preparePieces(GRID * GRID)) {
        return 0;
    }
    const float a = aspect();
    const float n = static_cast<float>(GRID);
    for (int r = 0; r < GRID; ++r) {
        for (int k = 0; k < GRID; ++k) {
            const int i = GRID * r + k;
            const float shuffled = static_cast<float>(SHUFFLE[static_cast<std::size_t>(i)]);
            auto box = makeGreyBox(HALF_BLOCK, -HALF_BLOCK, (-2.0f / a) / n, (2.0f / a) / n,
                                   HALF_BLOCK, -HALF_BLOCK);
            if (box) {
                render3d::setBoxFaceZ0(*box, fromTexture(), {k / n, r / n}, {(k + 1) / n, r / n},
                                       {k / n, (r + 1) / n}, {(k + 1) / n, (r + 1) / n});
                render3d::setBoxFaceX0(*box, toTexture(), {shuffled / n, r / n},
                                       {(shuffled + 1) / n, r / n}, {shuffled / n, (r + 1) / n},
                                       {(shuffled + 1) / n, (r + 1) / n});
            }
            addPiece(i, box.get());
        }
    }
    return 0;
}

int CubeShuffle3D::frame(const PictureFrameBlock& block) {
    fillPixels(block.out, 0, static_cast<std::ptrdiff_t>(pixelCount(block)));
    if (!readyFor(block)) {
        return 0;
    }
    const float c = sceneProgress(block);
    const float pi = SCENE_PI;
    const float a = aspect();
    const bool spreading = c <= 0.5f;
    const float s = spreading ? 2.0f * c : 2.0f * (c - 0.5f);
    const float depth = -0.33333334f - 4.0f * std::sin(pi * c);
    for (int r = 0; r < GRID; ++r) {
        const float y = (static_cast<float>(r) + 0.5f) * (4.0f / a) / GRID - 2.0f / a;
        for (int k = 0; k < GRID; ++k) {
            const int i = GRID * r + k;
            const float shuffled = static_cast<float>(SHUFFLE[static_cast<std::size_t>(i)]);
            const float x0 = static_cast<float>(k) * BLOCK + 0.33333334f - 2.0f;
            resetPose(i);
            translate(i, 0.0f, 0.0f, depth);
            rotate(i, -0.5f * pi * c, 0.0f, 1.0f, 0.0f);
            if (spreading) {
                translate(i, x0, y, (shuffled - 2.5f) * std::sin(0.5f * pi * s) * -BLOCK);
            } else {
                translate(i, x0 * std::sin((1.0f - s) * 0.5f * pi), y, (shuffled - 2.5f) * -BLOCK);
            }
        }
    }
    drawScene();
    return 0;
}

}  // namespace effects
