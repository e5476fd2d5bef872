#include "effects/StripFold3D.h"

#include "effects/PictureRows.h"

namespace effects {

namespace {

// Pieces 0..2 are the strips lying flat, pieces 3 and 4 the folding forms
// of the two lower strips.
constexpr int N = StripFold3D::STRIPS;
constexpr int PIECES = 2 * N - 1;

// A place behind the viewer: whatever is put there is never drawn.
constexpr float AWAY = 100.0f;

}  // namespace

int StripFold3D::begin(const PictureFrameBlock& block) {
    if (!beginScene(block, Pictures::FromOnly) || !preparePieces(PIECES)) {
        return 0;
    }
    const float a = aspect();
    const float n = N;
    const render3d::ConstImageView texture = fromTexture();
    auto flatStrip = [a, n] {
        return makeGreyBox(0.0f, 0.0f, (-2.0f / a) / n, (2.0f / a) / n, 2.0f, -2.0f);
    };
    for (int k = 0; k < N; ++k) {
        auto strip = flatStrip();
        if (strip) {
            render3d::setBoxFaceZ0(*strip, texture, {0, k / n}, {1, k / n}, {0, (k + 1) / n},
                                   {1, (k + 1) / n});
            render3d::setBoxFaceZ1(*strip, texture, {1, k / n}, {0, k / n}, {1, (k + 1) / n},
                                   {0, (k + 1) / n});
        }
        addPiece(k, strip.get());
    }
    for (int m = 1; m < N; ++m) {
        auto strip = flatStrip();
        if (strip) {
            render3d::setBoxFaceZ0(*strip, texture, {0, (m + 1) / n}, {1, (m + 1) / n}, {0, m / n},
                                   {1, m / n});
            render3d::setBoxFaceZ1(*strip, texture, {1, (m - 1) / n}, {0, (m - 1) / n}, {1, m / n},
                                   {0, m / n});
        }
        addPiece(N + m - 1, strip.get());
    }
    return 0;
}

int StripFold3D::frame(const PictureFrameBlock& block) {
    if (!readyFor(block)) {
        return 0;
    }
    copyPicture(block, block.to);
    for (int piece = 0; piece < PIECES; ++piece) {
        resetPose(piece);
    }
    const float c = sceneProgress(block);
    const float a = aspect();
    const float sy = (4.0f / a) / N;
    // Strip j (1 at the bottom) is piece j - 1; its folding form, for all
    // but the top strip, is piece N + j - 1.
    for (int j = 1; j <= N; ++j) {
        const int flat = j - 1;
        const int folding = j == N ? flat : N + j - 1;
        const float home = (static_cast<float>(j) - 0.5f) * sy - 2.0f / a;
        const float f = (c - static_cast<float>(N - j) / N) * N;
        if (f <= 0.0f) {
            translate(flat, 0.0f, home, 0.0f);
            if (j != N) {
                translate(folding, 0.0f, 0.0f, AWAY);
            }
        } else if (f >= 1.0f) {
            translate(flat, 0.0f, 0.0f, AWAY);
            if (j != N) {
                translate(folding, 0.0f, 0.0f, AWAY);
            }
        } else {
            if (j != N) {
                translate(flat, 0.0f, 0.0f, AWAY);
            }
            translate(folding, 0.0f, home, 0.0f);
            translate(folding, 0.0f, -sy / 2.0f, 0.0f);
            rotate(folding, SCENE_PI * f, 1.0f, 0.0f, 0.0f);
            translate(folding, 0.0f, sy / 2.0f, 0.0f);
        }
    }
    drawScene();
    return 0;
}

}  // namespace effects
