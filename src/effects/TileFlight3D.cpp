#include "effects/TileFlight3D.h"

#include <cmath>
#include <new>

#include "effects/EffectTables.h"
#include "effects/PictureRows.h"
#include "effects/RandomGenerator.h"
#include "render3d/TransitionScene.h"

namespace effects {

int TileFlight3D::rowsFor(float aspect) {
    // A picture so tall that its tiles would outnumber the scene's objects
    // keeps the rows the scene can hold, so that every tile is drawn.
    constexpr float MOST_ROWS = render3d::TransitionScene::kMaxObjects / COLUMNS;
    const float rows = static_cast<float>(COLUMNS) / aspect;
    return static_cast<int>(rows < MOST_ROWS ? rows : MOST_ROWS);
}

int TileFlight3D::begin(const PictureFrameBlock& block) {
    if (!beginScene(block, Pictures::FromOnly)) {
        return 0;
    }
    // Tiles fly past each other and tumble: both sides are drawn.
    scene().setCulling(render3d::FaceCulling::Off);
    const float a = aspect();
    // A picture more than nine times as wide as high has no rows: nothing
    // flies and the incoming picture shows at once.
    const int rows = rowsFor(a);
    const int tiles = COLUMNS * rows;
    try {
        order_.resize(static_cast<std::size_t>(tiles));
    } catch (const std::bad_alloc&) {
        order_ = {};
        return 0;
    }
    for (int& o : order_) {
        o = random_.next() % tiles;
    }
    rows_ = rows;
    begun_ = true;
    if (!preparePieces(tiles)) {
        return 0;
    }
    const render3d::ConstImageView texture = fromTexture();
    const float columns = COLUMNS;
    const float r0 = static_cast<float>(rows);
    const float left = -2.0f / columns, right = 2.0f / columns;
    const float bottom = (-2.0f / a) / r0, top = (2.0f / a) / r0;
    for (int r = 0; r < rows; ++r) {
        for (int k = 0; k < COLUMNS; ++k) {
            const float u0 = k / columns, u1 = (k + 1) / columns;
            const float v0 = r / r0, v1 = (r + 1) / r0;
            render3d::MeshDesc tile;
            try {
                tile.triangles.resize(2);
            } catch (const std::bad_alloc&) {
                continue;
            }
            render3d::setMeshTriangle(tile.triangles[0], render3d::Surface::Textured, texture,
                                      {left, bottom, 0.0f, u0, v0}, {left, top, 0.0f, u0, v1},
                                      {right, top, 0.0f, u1, v1}, 0, 0, 0);
            render3d::setMeshTriangle(tile.triangles[1], render3d::Surface::Textured, texture,
                                      {right, top, 0.0f, u1, v1}, {right, bottom, 0.0f, u1, v0},
                                      {left, bottom, 0.0f, u0, v0}, 0, 0, 0);
            addPiece(r * COLUMNS + k, &tile);
        }
    }
    return 0;
}

int TileFlight3D::frame(const PictureFrameBlock& block) {
    if (!begun_ || !readyFor(block)) {
        return 0;
    }
    copyPicture(block, block.to);
    const float c = sceneProgress(block);
    const float a = aspect();
    const float rows = static_cast<float>(rows_);
    const int span = COLUMNS * rows_ - 1;
    for (int r = 0; r < rows_; ++r) {
        for (int k = 0; k < COLUMNS; ++k) {
            const int i = r * COLUMNS + k;
            const float delay = static_cast<float>(order_[static_cast<std::size_t>(i)]) * 0.5f /
                                static_cast<float>(span);
            const float p = clampUnit(2.0f * (c - delay));
            const float flight = 6.0f * p * p;
            float x = (static_cast<float>(k) + 0.5f) * (4.0f / COLUMNS) - 2.0f;
            float y = (static_cast<float>(r) + 0.5f) * ((4.0f / a) / rows) - 2.0f / a;
            const float z = -3.0f * p * p;
            switch (block.direction) {
                case DirUp:
                    y = y + flight / a;
                    break;
                case DirDown:
                    y = y - flight / a;
                    break;
                case DirLeft:
                    x = x - flight;
                    break;
                default:
                    x = x + flight;
                    break;
            }
            const int q = r + k;
            resetPose(i);
            translate(i, x, y, z);
            rotate(i, 2.0f * SCENE_PI * p, q % 3 != 0 ? 1.0f : 0.0f, (q + 1) % 3 != 0 ? 1.0f : 0.0f,
                   (q + 2) % 3 != 0 ? 1.0f : 0.0f);
        }
    }
    drawScene();
    return 0;
}

int TileFlight3D::end(const PictureFrameBlock& block) {
    order_ = {};
    rows_ = 0;
    begun_ = false;
    return SceneTransition::end(block);
}

}  // namespace effects
