#include "effects/StripSpread3D.h"

#include <new>

#include "effects/PictureRows.h"

namespace effects {

namespace {

constexpr int COLUMNS = 2;
constexpr int ROWS = 8;
constexpr int SPAN = 7;  // order values run 0..7

bool closesUp(int parameter) {
    return parameter == 1;
}

}  // namespace

int StripSpread3D::begin(const PictureFrameBlock& block) {
    const bool closing = closesUp(block.parameter);
    if (!beginScene(block, closing ? Pictures::ToOnly : Pictures::FromOnly)) {
        return 0;
    }
    try {
        order_.resize(COLUMNS * ROWS);
    } catch (const std::bad_alloc&) {
        order_ = {};
        return 0;
    }
    for (int row = 0; row < ROWS; ++row) {
        for (int column = 0; column < COLUMNS; ++column) {
            order_[static_cast<std::size_t>(row * COLUMNS + column)] = closing ? row : SPAN - row;
        }
    }
    if (!preparePieces(COLUMNS * ROWS)) {
        return 0;
    }
    const render3d::ConstImageView texture = closing ? toTexture() : fromTexture();
    const float a = aspect();
    const float columns = COLUMNS;
    const float rows = ROWS;
    for (int r = 0; r < ROWS; ++r) {
        for (int k = 0; k < COLUMNS; ++k) {
            auto box = makeGreyBox(0.5f, -0.5f, (-2.0f / a) / rows, (2.0f / a) / rows, 1.0f, -1.0f);
            if (box) {
                render3d::setBoxFaceZ0(*box, texture, {k / columns, r / rows},
                                       {(k + 1) / columns, r / rows}, {k / columns, (r + 1) / rows},
                                       {(k + 1) / columns, (r + 1) / rows});
            }
            addPiece(r * COLUMNS + k, box.get());
        }
    }
    return 0;
}

int StripSpread3D::frame(const PictureFrameBlock& block) {
    if (order_.empty() || !readyFor(block)) {
        return 0;
    }
    const bool closing = closesUp(block.parameter);
    copyPicture(block, closing ? block.from : block.to);
    const float c = sceneProgress(block);
    const float a = aspect();
    for (int r = 0; r < ROWS; ++r) {
        for (int k = 0; k < COLUMNS; ++k) {
            const int i = r * COLUMNS + k;
            const float delay =
                static_cast<float>(order_[static_cast<std::size_t>(i)]) * 0.5f / SPAN;
            float p = clampUnit(2.0f * (c - delay));
            if (closing) {
                p = 1.0f - p;
            }
            resetPose(i);
            translate(i, (3.0f * p + 1.0f) * ((static_cast<float>(k) + 0.5f) * 2.0f - 2.0f),
                      (static_cast<float>(r) + 0.5f) * (4.0f / a) / ROWS - 2.0f / a, -0.5f);
        }
    }
    drawScene();
    return 0;
}

int StripSpread3D::end(const PictureFrameBlock& block) {
    order_ = {};
    return SceneTransition::end(block);
}

}  // namespace effects
