#include "effects/BlockTurn3D.h"

#include <cmath>
#include <new>

#include "effects/EffectTables.h"
#include "effects/PictureRows.h"

namespace effects {

namespace {

constexpr float DEPTH = 0.1f;

bool isSingleRow(int parameter) {
    return parameter == 1 || parameter == 2;
}

// The share of the transition each block's own turn takes.
float turnShare(int parameter) {
    switch (parameter) {
        case 1:
            return 0.65f;
        case 2:
            return 0.7f;
        default:
            return 0.4f;
    }
}

}  // namespace

int BlockTurn3D::begin(const PictureFrameBlock& block) {
    if (!beginScene(block, Pictures::FromAndTo)) {
        return 0;
    }
    if (isSingleRow(block.parameter)) {
        columns_ = 11;
        rows_ = 1;
        span_ = 10;
    } else {
        columns_ = 4;
        rows_ = 4;
        span_ = 3;
    }
    const int count = columns_ * rows_;
    try {
        order_.resize(static_cast<std::size_t>(count));
    } catch (const std::bad_alloc&) {
        order_ = {};
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        const int column = i % columns_;
        if (isSingleRow(block.parameter)) {
            order_[static_cast<std::size_t>(i)] = block.direction == DirRight ? i : 10 - i;
        } else {
            order_[static_cast<std::size_t>(i)] = column;
        }
    }
    if (!preparePieces(count)) {
        return 0;
    }
    const float a = aspect();
    const float columns = static_cast<float>(columns_);
    const float rows = static_cast<float>(rows_);
    for (int r = 0; r < rows_; ++r) {
        for (int k = 0; k < columns_; ++k) {
            auto box = makeGreyBox(DEPTH / 2.0f, -DEPTH / 2.0f, (-2.0f / a) / rows,
                                   (2.0f / a) / rows, 2.0f / columns, -2.0f / columns);
            if (box) {
                const render3d::TexCoord cornerA{k / columns, r / rows};
                const render3d::TexCoord cornerB{(k + 1) / columns, r / rows};
                const render3d::TexCoord cornerC{k / columns, (r + 1) / rows};
                const render3d::TexCoord cornerD{(k + 1) / columns, (r + 1) / rows};
                render3d::setBoxFaceZ0(*box, fromTexture(), cornerA, cornerB, cornerC, cornerD);
                render3d::setBoxFaceZ1(*box, toTexture(), cornerA, cornerB, cornerC, cornerD);
            }
            addPiece(r * columns_ + k, box.get());
        }
    }
    return 0;
}

int BlockTurn3D::frame(const PictureFrameBlock& block) {
    if (order_.empty() || !readyFor(block)) {
        return 0;
    }
    fillPixels(block.out, 0, static_cast<std::ptrdiff_t>(pixelCount(block)));
    const float c = sceneProgress(block);
    const float pi = SCENE_PI;
    const float a = aspect();
    const float sx = 4.0f / static_cast<float>(columns_);
    const float sy = (4.0f / a) / static_cast<float>(rows_);
    const float s = turnShare(block.parameter);
    const float swing = std::sin(pi * c);
    for (int r = 0; r < rows_; ++r) {
        for (int k = 0; k < columns_; ++k) {
            const int i = r * columns_ + k;
            const float hx = (static_cast<float>(k) + 0.5f) * sx - 2.0f;
            const float hy = (static_cast<float>(r) + 0.5f) * sy - 2.0f / a;
            const float delay =
                static_cast<float>(order_[static_cast<std::size_t>(i)]) * (1.0f - s) / span_;
            const float p = clampUnit((c - delay) / s);
            resetPose(i);
            switch (block.parameter) {
                case 1:
                    translate(i, hx, hy, std::sin(2.0f * pi * p) - DEPTH / 2.0f);
                    rotate(i, -pi * p, 0.0f, 1.0f, 0.0f);
                    break;
                case 2:
                    translate(i, 0.0f, -sy / 2.0f, 0.0f);
                    translate(i, hx, hy, -DEPTH / 2.0f - std::sin(2.0f * pi * p));
                    rotate(i, -2.0f * pi * p, 1.0f, 0.0f, 0.0f);
                    translate(i, 0.0f, sy / 2.0f, 0.0f);
                    rotate(i, -pi * p, 0.0f, 1.0f, 0.0f);
                    break;
                case 3:
                case 4: {
                    const float spin = block.parameter == 3 ? -2.0f * pi * c : 2.0f * pi * c;
                    rotate(i, spin, 0.0f, 0.0f, 1.0f);
                    translate(i, hx * (swing + 1.0f), hy * (swing + 1.0f),
                              -DEPTH / 2.0f - 6.0f * swing);
                    rotate(i, -spin, 0.0f, 0.0f, 1.0f);
                    rotate(i, -pi * p, 0.0f, 1.0f, 0.0f);
                    break;
                }
                default:
                    translate(i, 0.0f, 0.0f, -DEPTH / 2.0f - 6.0f * swing);
                    rotate(i, -2.0f * pi * c, 0.0f, 1.0f, 0.0f);
                    translate(i, hx * (swing + 1.0f), hy * (swing + 1.0f), 0.0f);
                    rotate(i, 3.0f * pi * p, 0.0f, 1.0f, 0.0f);
                    break;
            }
        }
    }
    drawScene();
    return 0;
}

int BlockTurn3D::end(const PictureFrameBlock& block) {
    order_ = {};
    return SceneTransition::end(block);
}

}  // namespace effects
