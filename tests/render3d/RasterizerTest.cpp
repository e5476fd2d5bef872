#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "render3d/RasterTestSupport.h"
#include "render3d/Rasterizer.h"

namespace render3d {
namespace {

using testing::EyeTriangle;
using testing::kBackground;
using testing::ScreenRig;

std::vector<ScreenPoint> points(const ScreenPolygon& polygon) {
    return {polygon.v.begin(), polygon.v.begin() + polygon.count};
}

ClipPolygon screenPolygon(std::initializer_list<std::pair<float, float>> corners) {
    ClipPolygon polygon;
    for (const auto& [x, y] : corners) {
        polygon.v[polygon.count++] = {x, y, 1.0f};
    }
    return polygon;
}

// ---------------------------------------------------------------- set-up

TEST(RasterizerConfigure, SceneCameraAt1280x1024) {
    std::vector<std::uint32_t> frame(1280 * 1024);
    Rasterizer r;
    RasterConfig config;
    config.perspective = true;
    config.width = 1280;
    config.height = 1024;
    config.left = -0.5f;
    config.right = 0.5f;
    config.bottom = -0.5f * 0.8f;
    config.top = 0.5f * 0.8f;
    config.nearPlane = 1.0f;
    config.farPlane = 500.0f;
    config.buffer = frame.data();
    ASSERT_TRUE(r.configure(config));
    EXPECT_EQ(r.centreX(), 640);
    EXPECT_EQ(r.centreY(), 512);
    EXPECT_EQ(r.scale(), 1280.0f);
    ASSERT_EQ(r.xTable().size(), 1281u);
    ASSERT_EQ(r.yTable().size(), 1025u);
    // Xt[i] = trunc((i - cx + 1) / scale * 65536).
    EXPECT_EQ(r.xTable()[0], -32716);  // -639 / 1280 = -0.4992
    EXPECT_EQ(r.xTable()[639], 0);
    EXPECT_EQ(r.xTable()[640], 51);
    EXPECT_EQ(r.xTable()[1280], 32819);
    EXPECT_EQ(r.yTable()[511], 0);
    EXPECT_EQ(r.yTable()[1024], 26265);  // 513 / 1280
}

TEST(RasterizerConfigure, WithoutPerspectiveTheScaleIgnoresNear) {
    Rasterizer r;
    RasterConfig config;
    config.width = 256;
    config.height = 256;
    config.nearPlane = 2.0f;
    ASSERT_TRUE(r.configure(config));
    EXPECT_EQ(r.scale(), 128.0f);
    config.perspective = true;
    ASSERT_TRUE(r.configure(config));
    EXPECT_EQ(r.scale(), 256.0f);
}

TEST(RasterizerConfigure, DegenerateVolumeStaysDefined) {
    Rasterizer r;
    RasterConfig config;
    config.width = 8;
    config.height = 8;
    config.left = config.right = 0.5f;  // zero width: infinite scale
    EXPECT_TRUE(r.configure(config));
    EXPECT_EQ(r.xTable().size(), 9u);
}

// ---------------------------------------------------------------- geometry

TEST(RasterizerFacing, CounterClockwiseOnTheScreenIsFrontFacing) {
    ScreenRig rig(8, 8);
    EyeTriangle ccw({0, 0, 1}, {1, 0, 1}, {0, 1, 1});
    EyeTriangle cw({0, 0, 1}, {0, 1, 1}, {1, 0, 1});
    EXPECT_TRUE(rig.rasterizer.facing(ccw.get()));
    EXPECT_FALSE(rig.rasterizer.facing(cw.get()));
}

TEST(RasterizerClipNear, KeepsATriangleInFrontWhole) {
    ScreenRig rig(8, 8);
    EyeTriangle t({0, 0, 2}, {1, 0, 1}, {0, 1, 3});
    const ClipPolygon p = rig.rasterizer.clipNear(t.get());
    ASSERT_EQ(p.count, 3);
    EXPECT_EQ(p.v[0].d, 2.0f);
    EXPECT_EQ(p.v[1].d, 1.0f);  // on the plane is inside
    EXPECT_EQ(p.v[2].d, 3.0f);
}

TEST(RasterizerClipNear, CutsOffTheVertexBehindTheNearPlane) {
    ScreenRig rig(8, 8);
    EyeTriangle t({0, 0, 2}, {1, 0, 0.5f}, {0, 1, 2});
    const ClipPolygon p = rig.rasterizer.clipNear(t.get());
    // Edges (v2, v0), (v0, v1), (v1, v2): v0, the crossing on v0-v1, the
    // crossing on v1-v2, v2.
    ASSERT_EQ(p.count, 4);
    EXPECT_EQ(p.v[0].x, 0.0f);
    EXPECT_NEAR(p.v[1].x, 2.0f / 3.0f, 1e-6);
    EXPECT_EQ(p.v[1].d, 1.0f);
    EXPECT_NEAR(p.v[2].x, 2.0f / 3.0f, 1e-6);
    EXPECT_NEAR(p.v[2].y, 1.0f / 3.0f, 1e-6);
    EXPECT_EQ(p.v[2].d, 1.0f);
    EXPECT_EQ(p.v[3].y, 1.0f);
}

TEST(RasterizerClipNear, DropsATriangleEntirelyBehind) {
    ScreenRig rig(8, 8);
    EyeTriangle t({0, 0, 0.5f}, {1, 0, 0.9f}, {0, 1, -3});
    EXPECT_EQ(rig.rasterizer.clipNear(t.get()).count, 0);
}

TEST(RasterizerProject, DividesByDepthAroundTheCentre) {
    std::vector<std::uint32_t> frame(100 * 80);
    Rasterizer r;
    RasterConfig config;
    config.perspective = true;
    config.width = 100;
    config.height = 80;
    config.left = -0.5f;
    config.right = 0.5f;
    config.bottom = -0.4f;
    config.top = 0.4f;
    config.buffer = frame.data();
    r.configure(config);
    ClipPolygon p;
    p.count = 1;
    p.v[0] = {1.0f, -0.5f, 4.0f};
    r.project(p);
    EXPECT_EQ(p.v[0].x, 50.0f + 100.0f * 0.25f);
    EXPECT_EQ(p.v[0].y, 40.0f - 100.0f * 0.125f);  // rows grow with y
}

TEST(RasterizerViewportClip, VerticesInsideAreTruncatedTowardZero) {
    ScreenRig rig(100, 100);
    const ScreenPolygon s = rig.rasterizer.clipToViewport(
        screenPolygon({{10.7f, 20.9f}, {50.2f, 20.1f}, {30.9f, 60.99f}}));
    EXPECT_EQ(points(s), (std::vector<ScreenPoint>{{10, 20}, {50, 20}, {30, 60}}));
}

TEST(RasterizerViewportClip, CrossingOfTheLastRowRoundsXToNearest) {
    ScreenRig rig(100, 100);
    // Both edges to (50, 150) cross y = 100 halfway: at x 30 and 70.6; the
    // crossing x is rounded (70.6 -> 71), the kept vertices truncated.
    const ScreenPolygon s = rig.rasterizer.clipToViewport(
        screenPolygon({{10.0f, 50.0f}, {91.2f, 50.0f}, {50.0f, 150.0f}}));
    EXPECT_EQ(points(s), (std::vector<ScreenPoint>{{30, 100}, {10, 50}, {91, 50}, {71, 100}}));
}

TEST(RasterizerViewportClip, LeftCrossingsTakeXZeroExactly) {
    ScreenRig rig(100, 100);
    const ScreenPolygon s = rig.rasterizer.clipToViewport(
        screenPolygon({{-10.0f, 10.0f}, {30.0f, 10.0f}, {30.0f, 50.0f}}));
    EXPECT_EQ(points(s), (std::vector<ScreenPoint>{{0, 20}, {0, 10}, {30, 10}, {30, 50}}));
}

TEST(RasterizerViewportClip, ClipsAllFourSides) {
    ScreenRig rig(100, 100);
    // A triangle much larger than the viewport covers it exactly.
    const ScreenPolygon s = rig.rasterizer.clipToViewport(
        screenPolygon({{-500.0f, -500.0f}, {900.0f, -500.0f}, {50.0f, 900.0f}}));
    for (const ScreenPoint& p : points(s)) {
        EXPECT_TRUE(p.x >= 0 && p.x <= 100 && p.y >= 0 && p.y <= 100) << p.x << "," << p.y;
    }
    rig.rasterizer.fillFlat(s, EyeTriangle({0, 0, 1}, {1, 0, 1}, {0, 1, 1}).get());
    EXPECT_EQ(rig.paintedCount(), 100 * 100);
}

TEST(RasterizerViewportClip, NothingInsideIsEmpty) {
    ScreenRig rig(100, 100);
    EXPECT_EQ(rig.rasterizer
                  .clipToViewport(screenPolygon({{-10.0f, 5.0f}, {-1.0f, 5.0f}, {-5.0f, 50.0f}}))
                  .count,
              0);
    EXPECT_EQ(
        rig.rasterizer
            .clipToViewport(screenPolygon({{10.0f, 101.0f}, {20.0f, 101.0f}, {15.0f, 150.0f}}))
            .count,
        0);
}

TEST(RasterizerViewportClip, SharedEdgeCrossesAtTheSamePointFromBothSides) {
    ScreenRig rig(100, 100);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> inside(1.0f, 99.0f), outside(-80.0f, -0.1f);
    for (int i = 0; i < 500; ++i) {
        const std::pair<float, float> a{outside(random), inside(random)};
        const std::pair<float, float> b{inside(random), inside(random)};
        const std::pair<float, float> c{inside(random), inside(random)};
        // Two triangles that share the edge a-b, walking it in opposite directions.
        const ScreenPolygon one = rig.rasterizer.clipToViewport(screenPolygon({a, b, c}));
        const ScreenPolygon two =
            rig.rasterizer.clipToViewport(screenPolygon({b, a, {50.0f, 99.0f}}));
        auto contains = [](const ScreenPolygon& s, ScreenPoint p) {
            const std::vector<ScreenPoint> all = points(s);
            return std::find(all.begin(), all.end(), p) != all.end();
        };
        // Interpolated from a, the end with the smaller x, in both.
        const float t = (0.0f - a.first) / (b.first - a.first);
        const ScreenPoint expected{0, static_cast<int>(a.second + t * (b.second - a.second))};
        EXPECT_TRUE(contains(one, expected)) << i;
        EXPECT_TRUE(contains(two, expected)) << i;
    }
}

// ---------------------------------------------------------------- scan conversion

TEST(RasterizerScan, PolygonOnOneRowDrawsNothing) {
    ScreenRig rig(64, 64);
    rig.fillPolygon({{10, 5}, {50, 5}, {30, 5}});
    EXPECT_EQ(rig.paintedCount(), 0);
    // 5.9 truncates onto the same row.
    EyeTriangle t({10, 5, 1}, {50, 5.9f, 1}, {30, 5.5f, 1});
    rig.draw(t.get());
    EXPECT_EQ(rig.paintedCount(), 0);
}

TEST(RasterizerScan, FewerThanThreeVerticesDrawNothing) {
    ScreenRig rig(64, 64);
    rig.fillPolygon({{10, 5}, {50, 40}});
    EXPECT_EQ(rig.paintedCount(), 0);
}

TEST(RasterizerScan, CoversRowsFromTopIncludedToBottomExcluded) {
    ScreenRig rig(64, 64);
    rig.fillPolygon({{10, 10}, {40, 10}, {40, 30}, {10, 30}});
    for (int y = 0; y < 64; ++y) {
        const auto extent = rig.rowExtent(y);
        if (y >= 10 && y < 30) {
            EXPECT_EQ(extent, std::make_pair(10, 40)) << "row " << y;
        } else {
            EXPECT_EQ(extent, std::make_pair(-1, -1)) << "row " << y;
        }
    }
}

TEST(RasterizerScan, EdgeWithNoSlopeKeepsItsColumn) {
    ScreenRig rig(64, 64);
    rig.fillPolygon({{10, 0}, {50, 0}, {10, 40}});
    for (int y = 0; y < 40; ++y) {
        EXPECT_EQ(rig.rowExtent(y).first, 10) << "row " << y;
    }
}

TEST(RasterizerScan, EdgeWithDxTwiceDyAdvancesTwoPixelsARow) {
    ScreenRig rig(64, 64);
    // Left edge (0, 0)-(0, 20); right edge (0, 0)-(40, 20).
    rig.fillPolygon({{0, 0}, {40, 20}, {0, 20}});
    EXPECT_EQ(rig.rowExtent(0), std::make_pair(-1, -1));  // right end 0: empty row
    for (int y = 1; y < 20; ++y) {
        EXPECT_EQ(rig.rowExtent(y), std::make_pair(0, 2 * y)) << "row " << y;
    }
}

TEST(RasterizerScan, SteepEdgesStepToTheCeilingOfTheExactX) {
    for (int dy = 1; dy <= 40; ++dy) {
        for (int adx = 0; adx < dy; ++adx) {
            std::vector<int> rows(dy);
            Rasterizer::stepEdge(5, 5 + adx, dy, rows.data(), 1);
            for (int i = 0; i < dy; ++i) {
                ASSERT_EQ(rows[i], 5 + (i * adx + dy - 1) / dy) << adx << "/" << dy << " row " << i;
            }
            Rasterizer::stepEdge(5, 5 - adx, dy, rows.data(), 1);
            for (int i = 0; i < dy; ++i) {
                ASSERT_EQ(rows[i], 5 - (i * adx + dy - 1) / dy)
                    << -adx << "/" << dy << " row " << i;
            }
        }
    }
}

// Edges flatter than 45 degrees step by q + 1 or q pixels a row (q = adx / dy)
// with an error term that starts at g = adx + dy - r: near the top the x
// runs up to one row's step ahead of the exact ceil(i * adx / dy), never
// past the edge's end. Shared edges step identically, so this moves a
// silhouette by at most a row and opens no gap between triangles.
TEST(RasterizerScan, FlatEdgesStepWithTheirErrorTermStartingAtG) {
    struct Case {
        int adx, dy;
        std::vector<int> rows;
    };
    const Case cases[] = {
        {4, 3, {0, 2, 4}},      {10, 3, {0, 4, 8}},
        {7, 4, {0, 2, 4, 6}},   {6, 3, {0, 2, 4}},  // r = 0: exactly q a row
        {599, 26, {0, 24, 48}},
    };
    for (const Case& c : cases) {
        std::vector<int> rows(c.dy);
        Rasterizer::stepEdge(0, c.adx, c.dy, rows.data(), 1);
        rows.resize(c.rows.size());
        EXPECT_EQ(rows, c.rows) << c.adx << "/" << c.dy;
    }
    for (int dy = 1; dy <= 48; ++dy) {
        for (int adx = dy; adx <= 4 * dy + 7; ++adx) {
            std::vector<int> rows(dy);
            Rasterizer::stepEdge(3, 3 + adx, dy, rows.data(), 1);
            for (int i = 0; i < dy; ++i) {
                ASSERT_GE(rows[i], 3 + (i * adx + dy - 1) / dy) << adx << "/" << dy << " row " << i;
                ASSERT_LE(rows[i], 3 + adx) << adx << "/" << dy << " row " << i;
                ASSERT_TRUE(i == 0 || rows[i] > rows[i - 1]) << adx << "/" << dy << " row " << i;
            }
        }
    }
}

TEST(RasterizerScan, HorizontalTopEdgeStartsTheTwoChainsAtItsEnds) {
    ScreenRig rig(64, 64);
    rig.fillPolygon({{20, 20}, {10, 0}, {30, 0}});
    EXPECT_EQ(rig.rowExtent(0), std::make_pair(10, 30));
    EXPECT_EQ(rig.rowExtent(10), std::make_pair(15, 25));
    EXPECT_EQ(rig.rowExtent(18), std::make_pair(19, 21));
    EXPECT_EQ(rig.rowExtent(19), std::make_pair(-1, -1));  // both ends at 20
}

TEST(RasterizerScan, WindingDoesNotChangeThePixels) {
    ScreenRig forward(64, 64), backward(64, 64);
    forward.fillPolygon({{3, 7}, {60, 20}, {41, 55}, {9, 38}});
    backward.fillPolygon({{9, 38}, {41, 55}, {60, 20}, {3, 7}});
    EXPECT_EQ(forward.pixels, backward.pixels);
    EXPECT_GT(forward.paintedCount(), 1000);
}

TEST(RasterizerScan, AdjacentTrianglesNeitherOverlapNorLeaveGaps) {
    ScreenRig rig(64, 64);
    // Quad split along its diagonal; count paints per pixel.
    std::vector<int> hits(64 * 64, 0);
    auto paint = [&](std::initializer_list<ScreenPoint> corners) {
        std::fill(rig.pixels.begin(), rig.pixels.end(), kBackground);
        rig.fillPolygon(corners);
        for (int i = 0; i < 64 * 64; ++i) {
            hits[i] += rig.pixels[i] != kBackground;
        }
    };
    paint({{2, 3}, {61, 9}, {50, 60}});
    paint({{2, 3}, {50, 60}, {7, 44}});
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            ASSERT_LE(hits[y * 64 + x], 1) << x << "," << y;
        }
    }
}

// ---------------------------------------------------------------- flat fill and lighting

TEST(RasterizerFlat, PaintsTheFrontColourWithAlphaZero) {
    ScreenRig rig(32, 32);
    EyeTriangle t({2, 2, 1}, {30, 2, 1}, {2, 30, 1});
    rig.draw(t.get());
    EXPECT_EQ(rig.at(5, 5), 0x001E140Au);  // red 30, green 20, blue 10
}

TEST(RasterizerFlat, BackFacingTrianglesTakeTheBackColour) {
    ScreenRig rig(32, 32);
    EyeTriangle t({2, 2, 1}, {2, 30, 1}, {30, 2, 1});
    rig.draw(t.get());
    EXPECT_EQ(rig.at(5, 5), 0x003C3228u);
}

TEST(RasterizerFlat, NothingIsDrawnWithoutABuffer) {
    Rasterizer r;
    RasterConfig config;
    config.width = 16;
    config.height = 16;
    ASSERT_TRUE(r.configure(config));
    ScreenPolygon s;
    s.count = 3;
    s.v[0] = {0, 0};
    s.v[1] = {16, 0};
    s.v[2] = {0, 16};
    EyeTriangle t({0, 0, 1}, {1, 0, 1}, {0, 1, 1});
    r.fillFlat(s, t.get());  // must not crash
    SUCCEED();
}

class RasterizerLighting : public ::testing::Test {
  protected:
    void SetUp() override {
        r.setLighting(true);
        r.setLightEnabled(0, true);
        r.setLightAmbient(0, {19532, 19532, 19532});  // 0.3: 76 * 65536 / 255
        r.setLightDiffuse(0, {26214, 26214, 26214});  // 0.4: 102 * 65536 / 255
        r.setLightSpecular(0, {0, 0, 0});
        // A front face (counter-clockwise) whose normal points along +depth.
        triangle.get().front = {50, 100, 200};  // blue, green, red
    }
    Rasterizer r;
    EyeTriangle triangle{{0, 0, 1}, {1, 0, 1}, {0, 1, 1}};
};

TEST_F(RasterizerLighting, FaceTurnedAwayGetsOnlyTheAmbientPart) {
    r.setLightDirection(0, {0, 0, 1});  // the light is behind the face
    // 200 * 19532 >> 16 = 59, 100 * 19532 >> 16 = 29, 50 * 19532 >> 16 = 14.
    EXPECT_EQ(r.flatPixel(triangle.get()), (59u << 16) | (29u << 8) | 14u);
}

TEST_F(RasterizerLighting, FaceTowardTheLightAddsTheFullDiffusePart) {
    r.setLightDirection(0, {0, 0, -1});
    // 200 * (19532 + 26214) >> 16 = 139, and so on.
    EXPECT_EQ(r.flatPixel(triangle.get()), (139u << 16) | (69u << 8) | 34u);
}

TEST_F(RasterizerLighting, BackFacingTrianglesAreLitOnTheirVisibleSide) {
    r.setLightDirection(0, {0, 0, -1});
    triangle.get().backFacing = true;
    triangle.get().back = {50, 100, 200};
    // The normal is negated: the light is now behind it.
    EXPECT_EQ(r.flatPixel(triangle.get()), (59u << 16) | (29u << 8) | 14u);
}

TEST_F(RasterizerLighting, EachChannelIsCappedAtFullIntensity) {
    r.setLightDirection(0, {0, 0, -1});
    r.setLightAmbient(0, {65536, 65536, 65536});
    r.setLightDiffuse(0, {65536, 65536, 65536});
    triangle.get().front = {255, 255, 255};
    EXPECT_EQ(r.flatPixel(triangle.get()), 0x00FFFFFFu);
}

TEST_F(RasterizerLighting, NoEnabledLightIsBlack) {
    r.setLightEnabled(0, false);
    EXPECT_EQ(r.flatPixel(triangle.get()), 0u);
}

TEST_F(RasterizerLighting, LightingOffKeepsTheTriangleColour) {
    r.setLighting(false);
    EXPECT_EQ(r.flatPixel(triangle.get()), 0x00C86432u);
}

TEST_F(RasterizerLighting, WhiteSpecularBrightensAFaceSeenAlongTheHalfVector) {
    r.setLightDirection(0, {0, 0, -1});
    const std::uint32_t matte = r.flatPixel(triangle.get());
    r.setLightSpecular(0, {255, 255, 255});
    EXPECT_EQ(r.flatPixel(triangle.get()), 0x00FFFFFFu);
    r.setLightDirection(0, {0, 0, 1});  // no diffuse, no highlight
    EXPECT_EQ(r.flatPixel(triangle.get()), (59u << 16) | (29u << 8) | 14u);
    EXPECT_NE(matte, 0x00FFFFFFu);
}

TEST_F(RasterizerLighting, LightIndexesOutsideTheEightAreIgnored) {
    r.setLightEnabled(8, true);
    r.setLightEnabled(-1, true);
    r.setLightDirection(8, {1, 0, 0});
    for (int i = 1; i < kMaxLights; ++i) {
        EXPECT_FALSE(r.light(i).enabled);
    }
}

TEST(RasterizerLightDefaults, LightZeroIsWhiteTheOthersBlackAllOff) {
    Rasterizer r;
    EXPECT_FALSE(r.lighting());
    EXPECT_EQ(r.light(0).diffuse, (std::array<Fixed, 3>{65536, 65536, 65536}));
    EXPECT_EQ(r.light(0).specular, (ColourBytes{255, 255, 255}));
    for (int i = 0; i < kMaxLights; ++i) {
        EXPECT_FALSE(r.light(i).enabled);
        EXPECT_EQ(r.light(i).ambient, (std::array<Fixed, 3>{0, 0, 0}));
        EXPECT_EQ(r.light(i).direction, (Vec3{0, 0, -1}));
        if (i > 0) {
            EXPECT_EQ(r.light(i).diffuse, (std::array<Fixed, 3>{0, 0, 0}));
        }
    }
}

// ---------------------------------------------------------------- textured fill

// A size x size texture whose texel (column c, row r) is 0xAA000000 | r << 8 | c.
std::vector<std::uint32_t> indexTexture(int size) {
    std::vector<std::uint32_t> t(static_cast<std::size_t>(size) * size);
    for (int r = 0; r < size; ++r) {
        for (int c = 0; c < size; ++c) {
            t[r * size + c] = 0xAA000000u | static_cast<std::uint32_t>(r) << 8 | c;
        }
    }
    return t;
}

TextureImage textureOf(const std::vector<std::uint32_t>& texels, int size, int log2) {
    return {size, size, log2, log2, texels.data()};
}

// The square (0, 0)-(40, 40) at depth 1, as two triangles, with texture
// coordinates u0 + 0..1 across and v0 + 0..1 up.
void drawSquare(ScreenRig& rig, const TextureImage& texture, float u0, float v0) {
    EyeTriangle a({0, 0, 1}, {40, 0, 1}, {40, 40, 1});
    a.uv(0, u0, v0).uv(1, u0 + 1, v0).uv(2, u0 + 1, v0 + 1).texture(&texture);
    EyeTriangle b({0, 0, 1}, {40, 40, 1}, {0, 40, 1});
    b.uv(0, u0, v0).uv(1, u0 + 1, v0 + 1).uv(2, u0, v0 + 1).texture(&texture);
    rig.draw(a.get(), true);
    rig.draw(b.get(), true);
}

TEST(RasterizerTextured, ScreenAlignedSquareShowsEachTexelOverTenByTenPixels) {
    ScreenRig rig(40, 40);
    const auto texels = indexTexture(4);
    drawSquare(rig, textureOf(texels, 4, 2), 0.0f, 0.0f);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            ASSERT_EQ(rig.at(x, y), texels[(y / 10) * 4 + x / 10]) << x << "," << y;
        }
    }
}

TEST(RasterizerTextured, UOfOneAndAQuarterOnFourTexelsStartsAtColumnOne) {
    ScreenRig rig(40, 40);
    const auto texels = indexTexture(4);
    drawSquare(rig, textureOf(texels, 4, 2), 1.25f, 0.0f);
    // 4 * 1.25 = 5 wraps to column 1 at vertex 0, then on across the square.
    for (int x = 0; x < 40; ++x) {
        ASSERT_EQ(rig.at(x, 0) & 0xFF, static_cast<std::uint32_t>((1 + x / 10) % 4)) << x;
    }
}

TEST(RasterizerTextured, NegativeCoordinatesWrapToo) {
    ScreenRig rig(40, 40);
    const auto texels = indexTexture(4);
    drawSquare(rig, textureOf(texels, 4, 2), -2.0f, -1.0f);
    for (int y = 0; y < 40; y += 3) {
        for (int x = 0; x < 40; x += 3) {
            ASSERT_EQ(rig.at(x, y), texels[(y / 10) * 4 + x / 10]) << x << "," << y;
        }
    }
}

TEST(RasterizerTextured, TexelsAreCopiedUnchangedAndUnlit) {
    ScreenRig rig(40, 40);
    rig.rasterizer.setLighting(true);  // no light on: a flat fill would be black
    const auto texels = indexTexture(4);
    drawSquare(rig, textureOf(texels, 4, 2), 0.0f, 0.0f);
    EXPECT_EQ(rig.at(0, 0), 0xAA000000u);
}

TEST(RasterizerTextured, FollowsThePerspectiveOfATiltedPlane) {
    // The scene camera on 64 x 64; a square that leans back: its bottom edge
    // at depth 2, its top at depth 4.
    std::vector<std::uint32_t> frame(64 * 64, kBackground);
    Rasterizer r;
    RasterConfig config;
    config.perspective = true;
    config.width = 64;
    config.height = 64;
    config.left = -0.5f;
    config.right = 0.5f;
    config.bottom = -0.5f;
    config.top = 0.5f;
    config.buffer = frame.data();
    r.configure(config);
    const auto texels = indexTexture(16);
    const TextureImage texture = textureOf(texels, 16, 4);
    EyeTriangle a({-1, -1, 2}, {1, -1, 2}, {1, 1, 4});
    a.uv(0, 0, 0).uv(1, 1, 0).uv(2, 1, 1).texture(&texture);
    EyeTriangle b({-1, -1, 2}, {1, 1, 4}, {-1, 1, 4});
    b.uv(0, 0, 0).uv(1, 1, 1).uv(2, 0, 1).texture(&texture);
    for (EyeTriangle* t : {&a, &b}) {
        ClipPolygon p = r.clipNear(t->get());
        r.project(p);
        r.fillTextured(r.clipToViewport(p), t->get());
    }
    // Reference: the pixel's ray (X, Y, 1), X = (column - 32 + 1) / 64 as
    // the inverse-projection tables define it, meets the plane
    // P0 + u (2, 0, 0) + v (0, 2, 2) at texel (16 u, 16 v). The fill's
    // fixed point truncates, and interpolates linearly between exact
    // positions 32 pixels apart, so a texel position within 0.05 of a
    // texel boundary may land on either side of it.
    auto near = [](int got, double texel) {
        constexpr double kSlack = 0.05;
        return got == (static_cast<int>(std::floor(texel - kSlack)) & 15) ||
               got == (static_cast<int>(std::floor(texel + kSlack)) & 15);
    };
    int painted = 0;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const std::uint32_t p = frame[y * 64 + x];
            if (p == kBackground) {
                continue;
            }
            ++painted;
            const double X = (x - 32 + 1) / 64.0, Y = (y - 32 + 1) / 64.0;
            // t (X, Y, 1) = (-1 + 2u, -1 + 2v, 2 + 2v): t = 2 + 2v and t Y = -1 + 2v.
            const double v = (2.0 * Y + 1.0) / (2.0 - 2.0 * Y);
            const double t = 2.0 + 2.0 * v;
            const double u = (t * X + 1.0) / 2.0;
            ASSERT_TRUE(near(static_cast<int>(p & 0xFF), 16 * u))
                << x << "," << y << " u " << 16 * u;
            ASSERT_TRUE(near(static_cast<int>((p >> 8) & 0xFF), 16 * v))
                << x << "," << y << " v " << 16 * v;
        }
    }
    // The trapezoid from x 0..64 at row 0 to 16..48 at row 48.
    EXPECT_GT(painted, 2200);
}

}  // namespace
}  // namespace render3d
