#include "effects/PlaneTurn3D.h"

#include <cmath>

#include "effects/EffectTables.h"
#include "effects/PictureRows.h"

namespace effects {

namespace {

constexpr int SLAB = 0;

// Turns about the horizontal axis bring the back face up the other way
// round, so its picture is stored upside down and mirrored to be read
// upright after the turn.
bool turnsAboutHorizontal(int parameter) {
    return parameter == 2 || parameter == 4;
}

}  // namespace

int PlaneTurn3D::begin(const PictureFrameBlock& block) {
    if (!beginScene(block, Pictures::FromAndTo) || !preparePieces(1)) {
        return 0;
    }
    const float a = aspect();
    auto slab = makeGreyBox(0.25f, -0.25f, -2.0f / a, 2.0f / a, 2.0f, -2.0f);
    if (slab) {
        render3d::setBoxFaceZ0(*slab, fromTexture(), {0, 0}, {1, 0}, {0, 1}, {1, 1});
        if (turnsAboutHorizontal(block.parameter)) {
            render3d::setBoxFaceZ1(*slab, toTexture(), {1, 1}, {0, 1}, {1, 0}, {0, 0});
        } else {
            render3d::setBoxFaceZ1(*slab, toTexture(), {0, 0}, {1, 0}, {0, 1}, {1, 1});
        }
    }
    addPiece(SLAB, slab.get());
    return 0;
}

int PlaneTurn3D::frame(const PictureFrameBlock& block) {
    fillPixels(block.out, 0, static_cast<std::ptrdiff_t>(pixelCount(block)));
    if (!readyFor(block)) {
        return 0;
    }
    const float c = sceneProgress(block);
    const float pi = SCENE_PI;
    const float zdip = -0.25f - 4.0f * std::sin(pi * c);
    resetPose(SLAB);
    switch (block.parameter) {
        case 2:
            translate(SLAB, 0.0f, 0.0f, zdip);
            rotate(SLAB, block.direction == DirUp ? -pi * c : pi * c, 1.0f, 0.0f, 0.0f);
            break;
        case 3:
            translate(SLAB, 0.0f, 0.0f, zdip);
            rotate(SLAB, -1.5f * pi * c, 0.0f, 0.0f, 1.0f);
            rotate(SLAB, -pi * c, 1.0f, 1.0f, 0.0f);
            break;
        case 4:
            translate(SLAB, 0.0f, 0.0f, -0.25f);
            translate(SLAB, 0.0f, 0.0f, -2.0f);
            rotate(SLAB, -2.0f * pi * c, 1.0f, 0.0f, 0.0f);
            translate(SLAB, 0.0f, 0.0f, 2.0f);
            rotate(SLAB, pi * c, 1.0f, 0.0f, 0.0f);
            break;
        case 5: {
            const float u = 2.0f * c - 1.0f;
            const float e = 1.0f - (1.0f - c) * (1.0f - c);
            translate(SLAB, 0.0f, 0.0f, -0.25f - (1.0f - u * u) * 12.0f);
            rotate(SLAB, -1.5f * pi * e, 0.0f, 0.0f, 1.0f);
            rotate(SLAB, -7.0f * pi * e, 1.0f, 1.0f, 0.0f);
            break;
        }
        default:
            translate(SLAB, 0.0f, 0.0f, zdip);
            rotate(SLAB, block.direction == DirRight ? pi * c : -pi * c, 0.0f, 1.0f, 0.0f);
            break;
    }
    drawScene();
    return 0;
}

}  // namespace effects
