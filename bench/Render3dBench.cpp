// Costs of the software 3D renderer at the largest stage, 1280 x 1024: the
// two fills of the rasteriser (triangles and pixels per second, for large,
// medium and small triangles), whole scene frames shaped like the 3D
// transitions' (background, pose, sort, draw), and the 512 x 512 resample
// each of them makes at its start.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "render3d/Rasterizer.h"
#include "render3d/Resample.h"
#include "render3d/SceneMesh.h"
#include "render3d/TransitionScene.h"

namespace {

using namespace render3d;

constexpr int kWidth = 1280;
constexpr int kHeight = 1024;
constexpr float kAspect = static_cast<float>(kWidth) / kHeight;
constexpr float kPi = 3.1415927f;

// A photo-like 512 x 512 texture: smooth gradients with some detail.
std::vector<std::uint32_t> makeTexture(std::uint32_t seed) {
    std::vector<std::uint32_t> t(512 * 512);
    for (std::uint32_t y = 0; y < 512; ++y) {
        for (std::uint32_t x = 0; x < 512; ++x) {
            const std::uint32_t r = (x + seed) & 0xFF, g = (y * 3 + seed) & 0xFF,
                                b = (x ^ y) & 0xFF;
            t[y * 512 + x] = r << 16 | g << 8 | b;
        }
    }
    return t;
}

// Triangles straight off the rendering context's batch: a grid of
// columns x rows quads that exactly fills the output at the scene's viewing
// distance, textured with one 512 x 512 picture across the whole grid.
struct TriangleGrid {
    std::vector<BatchVertex> vertices;
    std::vector<BatchTriangle> triangles;

    TriangleGrid(int columns, int rows, const TextureImage* texture) {
        vertices.reserve(static_cast<std::size_t>(columns) * rows * 6);
        const float w = 4.0f / columns, h = 4.0f / kAspect / rows;
        const float texel = 511.0f / 512.0f;
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                const float x0 = -2.0f + c * w, y0 = -2.0f / kAspect + r * h;
                const float u0 = texel * c / columns, u1 = texel * (c + 1) / columns;
                const float v0 = texel * r / rows, v1 = texel * (r + 1) / rows;
                const float corners[6][4] = {{x0, y0, u0, v0},         {x0 + w, y0, u1, v0},
                                             {x0 + w, y0 + h, u1, v1}, {x0, y0, u0, v0},
                                             {x0 + w, y0 + h, u1, v1}, {x0, y0 + h, u0, v1}};
                for (const auto& k : corners) {
                    BatchVertex v;
                    v.eyeX = k[0];
                    v.eyeY = k[1];
                    v.depth = TransitionScene::kViewDistance;
                    v.s = k[2];
                    v.t = k[3];
                    vertices.push_back(v);
                }
            }
        }
        for (std::size_t i = 0; i < vertices.size(); i += 3) {
            BatchTriangle t;
            t.vertices = {&vertices[i], &vertices[i + 1], &vertices[i + 2]};
            t.front = {90, 120, 150};
            t.texture = texture;
            triangles.push_back(t);
        }
    }
};

struct RasterRig {
    std::vector<std::uint32_t> frame = std::vector<std::uint32_t>(kWidth * kHeight);
    Rasterizer rasterizer;

    RasterRig() {
        RasterConfig config;
        config.perspective = true;
        config.width = kWidth;
        config.height = kHeight;
        config.left = -0.5f;
        config.right = 0.5f;
        config.bottom = -0.5f / kAspect;
        config.top = 0.5f / kAspect;
        config.nearPlane = 1.0f;
        config.farPlane = 500.0f;
        config.buffer = frame.data();
        rasterizer.configure(config);
        rasterizer.setLighting(true);
        rasterizer.setLightEnabled(0, true);
    }

    void draw(std::vector<BatchTriangle>& triangles, bool textured) {
        for (BatchTriangle& t : triangles) {
            ClipPolygon p = rasterizer.clipNear(t);
            rasterizer.project(p);
            const ScreenPolygon s = rasterizer.clipToViewport(p);
            if (textured) {
                rasterizer.fillTextured(s, t);
            } else {
                rasterizer.fillFlat(s, t);
            }
        }
    }
};

// Arguments: columns, rows (two triangles per cell), textured (1) or flat (0).
void BM_Fill(benchmark::State& state) {
    const auto texels = makeTexture(0);
    const TextureImage texture{512, 512, 9, 9, texels.data()};
    TriangleGrid grid(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), &texture);
    const bool textured = state.range(2) != 0;
    RasterRig rig;
    for (auto _ : state) {
        rig.draw(grid.triangles, textured);
        benchmark::DoNotOptimize(rig.frame.data());
        benchmark::ClobberMemory();
    }
    const double triangles = static_cast<double>(grid.triangles.size());
    state.counters["triangles/s"] =
        benchmark::Counter(triangles * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["pixels/s"] = benchmark::Counter(
        static_cast<double>(kWidth) * kHeight * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["px/triangle"] = static_cast<double>(kWidth) * kHeight / triangles;
}
// One quad over the whole frame; the tiles of a 9-column tile flight; 40 x 32
// cells of 32 x 32 pixels (512-pixel triangles).
BENCHMARK(BM_Fill)
    ->ArgNames({"cols", "rows", "textured"})
    ->Args({1, 1, 1})
    ->Args({9, 7, 1})
    ->Args({40, 32, 1})
    ->Args({1, 1, 0})
    ->Args({9, 7, 0})
    ->Args({40, 32, 0})
    ->Unit(benchmark::kMillisecond);

// A scene frame: background, poses, transform, sort and draw through the
// rendering context into a 1280 x 1024 frame.
struct SceneRig {
    std::vector<std::uint32_t> frame = std::vector<std::uint32_t>(kWidth * kHeight);
    std::vector<std::uint32_t> background =
        std::vector<std::uint32_t>(kWidth * kHeight, 0x00406080u);
    std::vector<std::uint32_t> from = makeTexture(0);
    std::vector<std::uint32_t> to = makeTexture(77);
    TransitionScene scene;

    SceneRig() { scene.open({frame.data(), kWidth, kHeight}); }
    ConstImageView fromTexture() const { return {from.data(), 512, 512}; }
    ConstImageView toTexture() const { return {to.data(), 512, 512}; }
};

// One slab, both faces textured, half turned and dipped away: the shape of a
// plane turn at its middle frame.
void BM_SceneFrameTurningSlab(benchmark::State& state) {
    SceneRig rig;
    std::unique_ptr<MeshDesc> box =
        makeBox(0.25f, -0.25f, -2 / kAspect, 2 / kAspect, 2, -2, 120, 120, 120);
    setBoxFaceZ0(*box, rig.fromTexture(), {0, 0}, {1, 0}, {0, 1}, {1, 1});
    setBoxFaceZ1(*box, rig.toTexture(), {0, 0}, {1, 0}, {0, 1}, {1, 1});
    const int slab = rig.scene.addMesh(*box);
    const float c = static_cast<float>(state.range(0)) / 100.0f;
    for (auto _ : state) {
        std::fill(rig.frame.begin(), rig.frame.end(), 0u);
        rig.scene.resetTransform(slab);
        rig.scene.translate(slab, 0, 0, -0.25f - 4 * std::sin(kPi * c));
        rig.scene.rotate(slab, kPi * c, 0, 1, 0);
        rig.scene.renderFrame();
        benchmark::DoNotOptimize(rig.frame.data());
    }
}
BENCHMARK(BM_SceneFrameTurningSlab)->ArgName("c%")->Arg(0)->Arg(25)->Unit(benchmark::kMillisecond);

// 36 blocks of a 6 x 6 grid, front and side faces textured, spread in depth
// while the grid turns: the shape of a cube shuffle in its first half.
void BM_SceneFrameShuffledBlocks(benchmark::State& state) {
    SceneRig rig;
    static const int kShuffle[36] = {0, 2, 4, 5, 3, 1, 4, 0, 2, 3, 1, 5, 2, 4, 0, 1, 5, 3,
                                     3, 5, 1, 0, 4, 2, 5, 1, 3, 2, 0, 4, 1, 3, 5, 4, 2, 0};
    for (int r = 0; r < 6; ++r) {
        for (int k = 0; k < 6; ++k) {
            std::unique_ptr<MeshDesc> box =
                makeBox(1.0f / 3, -1.0f / 3, -2 / kAspect / 6, 2 / kAspect / 6, 1.0f / 3, -1.0f / 3,
                        120, 120, 120);
            const float s = static_cast<float>(kShuffle[6 * r + k]);
            setBoxFaceZ0(*box, rig.fromTexture(), {k / 6.0f, r / 6.0f}, {(k + 1) / 6.0f, r / 6.0f},
                         {k / 6.0f, (r + 1) / 6.0f}, {(k + 1) / 6.0f, (r + 1) / 6.0f});
            setBoxFaceX0(*box, rig.toTexture(), {s / 6, r / 6.0f}, {(s + 1) / 6, r / 6.0f},
                         {s / 6, (r + 1) / 6.0f}, {(s + 1) / 6, (r + 1) / 6.0f});
            rig.scene.addMesh(*box);
        }
    }
    const float c = 0.3f, phase = 2 * c;
    for (auto _ : state) {
        std::fill(rig.frame.begin(), rig.frame.end(), 0u);
        for (int i = 0; i < 36; ++i) {
            const int r = i / 6, k = i % 6, object = i + 1;
            rig.scene.resetTransform(object);
            rig.scene.translate(object, 0, 0, -0.33333334f - 4 * std::sin(kPi * c));
            rig.scene.rotate(object, -0.5f * kPi * c, 0, 1, 0);
            const float y = (r + 0.5f) * (4 / kAspect) / 6 - 2 / kAspect;
            const float x0 = k * 0.6666667f + 0.33333334f - 2;
            rig.scene.translate(object, x0, y,
                                (kShuffle[i] - 2.5f) * std::sin(0.5f * kPi * phase) * -0.6666667f);
        }
        rig.scene.renderFrame();
        benchmark::DoNotOptimize(rig.frame.data());
    }
}
BENCHMARK(BM_SceneFrameShuffledBlocks)->Unit(benchmark::kMillisecond);

// 9 x 7 double-sided tiles flying off over the incoming picture, spinning:
// the shape of a tile flight a third of the way through.
void BM_SceneFrameFlyingTiles(benchmark::State& state) {
    SceneRig rig;
    rig.scene.setCulling(FaceCulling::Off);
    constexpr int kColumns = 9, kRows = 7;  // trunc(9 / 1.25)
    const float w = 2.0f / kColumns, h = 2.0f / kAspect / kRows;
    for (int r = 0; r < kRows; ++r) {
        for (int k = 0; k < kColumns; ++k) {
            MeshDesc mesh;
            mesh.triangles.resize(2);
            const float u0 = static_cast<float>(k) / kColumns,
                        u1 = static_cast<float>(k + 1) / kColumns;
            const float v0 = static_cast<float>(r) / kRows, v1 = static_cast<float>(r + 1) / kRows;
            setMeshTriangle(mesh.triangles[0], Surface::Textured, rig.fromTexture(),
                            {-w, -h, 0, u0, v0}, {-w, h, 0, u0, v1}, {w, h, 0, u1, v1}, 0, 0, 0);
            setMeshTriangle(mesh.triangles[1], Surface::Textured, rig.fromTexture(),
                            {w, h, 0, u1, v1}, {w, -h, 0, u1, v0}, {-w, -h, 0, u0, v0}, 0, 0, 0);
            rig.scene.addMesh(mesh);
        }
    }
    const float c = 0.3f;
    for (auto _ : state) {
        std::copy(rig.background.begin(), rig.background.end(), rig.frame.begin());
        for (int i = 0; i < kColumns * kRows; ++i) {
            const int r = i / kColumns, k = i % kColumns;
            // Tiles leave one after another; order by position for the benchmark.
            const float p = std::clamp(2 * (c - static_cast<float>(i) * 0.5f / 62), 0.0f, 1.0f);
            const float x = (k + 0.5f) * (4.0f / kColumns) - 2 + 6 * p * p;
            const float y = (r + 0.5f) * (4 / kAspect / kRows) - 2 / kAspect;
            const int q = r + k;
            rig.scene.resetTransform(i + 1);
            rig.scene.translate(i + 1, x, y, -3 * p * p);
            rig.scene.rotate(i + 1, 2 * kPi * p, q % 3 != 0, (q + 1) % 3 != 0, (q + 2) % 3 != 0);
        }
        rig.scene.renderFrame();
        benchmark::DoNotOptimize(rig.frame.data());
    }
}
BENCHMARK(BM_SceneFrameFlyingTiles)->Unit(benchmark::kMillisecond);

// The start of every 3D transition: a stage-sized picture to a 512 x 512
// texture.
void BM_ResampleTo512(benchmark::State& state) {
    const std::vector<std::uint32_t> picture(kWidth * kHeight, 0x00336699u);
    std::vector<std::uint32_t> texture(512 * 512);
    for (auto _ : state) {
        resampleImage({texture.data(), 512, 512}, {picture.data(), kWidth, kHeight});
        benchmark::DoNotOptimize(texture.data());
    }
}
BENCHMARK(BM_ResampleTo512)->Unit(benchmark::kMillisecond);

}  // namespace
