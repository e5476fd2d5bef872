#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "render3d/SoftRenderer.h"
#include "render3d/TransitionScene.h"

namespace render3d {
namespace {

// A rendering context that only writes down what it is asked, one call a
// line, and hands out texture ids 1, 2, 3... as a fresh context would.
class RecordingApi : public GraphicsApi {
  public:
    explicit RecordingApi(std::vector<std::string>& log) : log_(log) {}
    ~RecordingApi() override { log_.push_back("deleted"); }

    void destroy() override { say("destroy"); }
    void setShadeMode(int mode) override { say("setShadeMode", mode); }
    void enable(int c) override { say("enable", c); }
    void disable(int c) override { say("disable", c); }
    void setViewport(int x, int y, int w, int h) override { say("setViewport", x, y, w, h); }
    void setLight(int light, int parameter, const float* v) override {
        say("setLight", light, parameter, v[0], v[1], v[2], v[3]);
    }
    void genTextures(int count, int* ids) override {
        for (int i = 0; i < count; ++i) {
            ids[i] = nextId_++;
        }
        say("genTextures", count);
    }
    void deleteTextures(int count, const int* ids) override {
        say("deleteTextures", count, ids[0]);
    }
    void bindTexture(int target, int id) override { say("bindTexture", target, id); }
    void texImage2D(int target, int level, int internal, int w, int h, int border, int format,
                    int type, const void*) override {
        say("texImage2D", target, level, internal, w, h, border, format, type);
    }
    void setCullFace(int mode) override { say("setCullFace", mode); }
    void setMatrixMode(int mode) override { say("setMatrixMode", mode); }
    void loadIdentity() override { say("loadIdentity"); }
    void translate(double x, double y, double z) override { say("translate", x, y, z); }
    void color3ub(std::uint8_t r, std::uint8_t g, std::uint8_t b) override {
        say("color3ub", int{r}, int{g}, int{b});
    }
    void texCoord2(double s, double t) override { say("texCoord2", s, t); }
    void beginPrimitive(int mode) override { say("beginPrimitive", mode); }
    void normal3(const float* n) override { say("normal3", n[0], n[1], n[2]); }
    void vertex3(const float* p) override { say("vertex3", p[0], p[1], p[2]); }
    void endPrimitive() override { say("endPrimitive"); }
    void frustum(double l, double r, double b, double t, double n, double f) override {
        say("frustum", l, r, b, t, n, f);
    }
    void setOutputBuffer(std::uint32_t*) override { say("setOutputBuffer"); }

  private:
    template <typename... Args>
    void say(const char* name, Args... args) {
        std::ostringstream line;
        line << name;
        ((line << ' ' << args), ...);
        log_.push_back(line.str());
    }
    std::vector<std::string>& log_;
    int nextId_ = 1;
};

class RecordedScene : public ::testing::Test {
  protected:
    RecordedScene()
        : scene([this]() -> std::unique_ptr<GraphicsApi> {
              return std::make_unique<RecordingApi>(log);
          }) {}
    bool open() { return scene.open({frame.data(), 8, 6}); }
    std::vector<std::string> takeLog() { return std::exchange(log, {}); }

    std::vector<std::uint32_t> frame = std::vector<std::uint32_t>(8 * 6);
    std::vector<std::string> log;
    TransitionScene scene;
};

MeshDesc singleTriangle(Vec3 a, Vec3 b, Vec3 c, const std::uint32_t* pixels = nullptr,
                        int size = 4) {
    MeshDesc mesh;
    mesh.triangles.resize(1);
    setMeshTriangle(mesh.triangles[0], pixels ? Surface::Textured : Surface::Plain,
                    {pixels, size, size}, {a.x, a.y, a.z, 0, 0}, {b.x, b.y, b.z, 1, 0},
                    {c.x, c.y, c.z, 1, 1}, 10, 20, 30);
    return mesh;
}

MeshDesc smallTriangle() {
    return singleTriangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
}

TEST_F(RecordedScene, OpenSetsUpTheContextInThisOrder) {
    ASSERT_TRUE(open());
    EXPECT_TRUE(scene.isOpen());
    EXPECT_EQ(takeLog(), (std::vector<std::string>{
                             "setViewport 0 0 8 6",
                             "setOutputBuffer",
                             "enable 21",
                             "enable 3",
                             "setCullFace 29",
                             "disable 2",
                             "setShadeMode 0",
                             "enable 8",
                             "enable 9",
                             "setLight 9 17 0.3 0.3 0.3 1",
                             "setLight 9 18 0.4 0.4 0.4 1",
                             "setLight 9 19 0 0 0 1",
                             "setLight 9 20 0 -0.5 1 0",
                             "setMatrixMode 26",
                             "loadIdentity",
                             "frustum -0.5 0.5 -0.375 0.375 1 500",
                         }));
}

TEST_F(RecordedScene, OpeningAnOpenSceneKeepsTheContextAndEmptiesTheScene) {
    ASSERT_TRUE(open());
    GraphicsApi* context = scene.context();
    const MeshDesc mesh = smallTriangle();
    ASSERT_EQ(scene.addMesh(mesh), 1);
    ASSERT_TRUE(open());
    EXPECT_EQ(scene.context(), context);
    EXPECT_EQ(scene.objectCount(), 0);
}

TEST(TransitionSceneOpen, FailsAndStaysClosedWithoutAContext) {
    TransitionScene scene([] { return std::unique_ptr<GraphicsApi>(); });
    std::vector<std::uint32_t> frame(16);
    EXPECT_FALSE(scene.open({frame.data(), 4, 4}));
    EXPECT_FALSE(scene.isOpen());
    const MeshDesc mesh = smallTriangle();
    EXPECT_EQ(scene.addMesh(mesh), 0);
    scene.renderFrame();  // does nothing
}

TEST(TransitionSceneOpen, FailsOnAnEmptyOutput) {
    TransitionScene scene;
    std::vector<std::uint32_t> frame(16);
    EXPECT_FALSE(scene.open({frame.data(), 0, 4}));
    EXPECT_FALSE(scene.open({nullptr, 4, 4}));
    EXPECT_FALSE(scene.isOpen());
}

TEST_F(RecordedScene, CloseFreesTheTexturesAndDestroysTheContext) {
    ASSERT_TRUE(open());
    const std::vector<std::uint32_t> texels(16);
    const MeshDesc mesh = singleTriangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, texels.data());
    scene.addMesh(mesh);
    takeLog();
    scene.close();
    EXPECT_EQ(takeLog(), (std::vector<std::string>{"deleteTextures 1 1", "destroy", "deleted"}));
    EXPECT_FALSE(scene.isOpen());
}

TEST_F(RecordedScene, SetCulling) {
    ASSERT_TRUE(open());
    takeLog();
    scene.setCulling(FaceCulling::Off);
    scene.setCulling(FaceCulling::On);
    EXPECT_EQ(takeLog(), (std::vector<std::string>{"disable 3", "enable 3"}));
}

TEST_F(RecordedScene, The401stMeshIsRefusedAndChangesNothing) {
    ASSERT_TRUE(open());
    const MeshDesc mesh = smallTriangle();
    for (int i = 1; i <= 400; ++i) {
        ASSERT_EQ(scene.addMesh(mesh), i);
    }
    takeLog();
    EXPECT_EQ(scene.addMesh(mesh), 0);
    EXPECT_EQ(scene.objectCount(), 400);
    EXPECT_TRUE(takeLog().empty());
    scene.transformVertices();
    scene.buildDrawList();
    EXPECT_EQ(scene.drawList().size(), 400u);
}

TEST_F(RecordedScene, AMeshWithoutTrianglesIsNotAdded) {
    ASSERT_TRUE(open());
    EXPECT_EQ(scene.addMesh(MeshDesc{}), 0);
    EXPECT_EQ(scene.objectCount(), 0);
}

TEST_F(RecordedScene, TrianglesWithTheSamePixelsShareOneTexture) {
    ASSERT_TRUE(open());
    const std::vector<std::uint32_t> a(16), b(16);
    MeshDesc mesh;
    mesh.triangles.resize(3);
    const MeshVertex v0{0, 0, 0, 0, 0}, v1{1, 0, 0, 1, 0}, v2{0, 1, 0, 0, 1};
    setMeshTriangle(mesh.triangles[0], Surface::Textured, {a.data(), 4, 4}, v0, v1, v2, 0, 0, 0);
    setMeshTriangle(mesh.triangles[1], Surface::Textured, {b.data(), 4, 4}, v0, v1, v2, 0, 0, 0);
    setMeshTriangle(mesh.triangles[2], Surface::Textured, {a.data(), 4, 4}, v0, v1, v2, 0, 0, 0);
    takeLog();
    ASSERT_EQ(scene.addMesh(mesh), 1);
    EXPECT_EQ(takeLog(), (std::vector<std::string>{
                             "genTextures 1",
                             "bindTexture 21 1",
                             "texImage2D 21 0 22 4 4 0 23 24",
                             "genTextures 1",
                             "bindTexture 21 2",
                             "texImage2D 21 0 22 4 4 0 23 24",
                         }));
    const SceneObject& object = scene.object(1);
    EXPECT_EQ(object.triangles[0].textureId, 1);
    EXPECT_EQ(object.triangles[1].textureId, 2);
    EXPECT_EQ(object.triangles[2].textureId, 1);
    // A second object reuses the id through the cache.
    ASSERT_EQ(scene.addMesh(mesh), 2);
    EXPECT_TRUE(takeLog().empty());
    scene.freeObjects();
    EXPECT_EQ(takeLog(), (std::vector<std::string>{
                             "deleteTextures 1 1",
                             "deleteTextures 1 2",
                             "deleteTextures 1 1",
                             "deleteTextures 1 1",
                             "deleteTextures 1 2",
                             "deleteTextures 1 1",
                         }));
    EXPECT_EQ(scene.objectCount(), 0);
}

TEST(TransitionSceneTextures, TheContextDeletesASharedTextureOnceAndIgnoresTheRepeat) {
    std::vector<SoftRenderer*> made;
    TransitionScene scene([&made]() -> std::unique_ptr<GraphicsApi> {
        auto context = SoftRenderer::create();
        made.push_back(context.get());
        return context;
    });
    std::vector<std::uint32_t> frame(16 * 16);
    ASSERT_TRUE(scene.open({frame.data(), 16, 16}));
    const std::vector<std::uint32_t> texels(16);
    MeshDesc mesh;
    mesh.triangles.resize(2);
    for (MeshTriangle& t : mesh.triangles) {
        setMeshTriangle(t, Surface::Textured, {texels.data(), 4, 4}, {0, 0, 0, 0, 0},
                        {1, 0, 0, 1, 0}, {0, 1, 0, 0, 1}, 0, 0, 0);
    }
    ASSERT_EQ(scene.addMesh(mesh), 1);
    SoftRenderer& gl = *made.at(0);
    EXPECT_EQ(gl.textureCount(), 1);
    EXPECT_EQ(gl.texture(1)->pixels, texels.data());
    scene.freeObjects();
    EXPECT_EQ(gl.textureCount(), 0);
    EXPECT_EQ(gl.error(), ERR_NONE);
}

TEST_F(RecordedScene, TextureCoordinatesArePulledInByOneTexel) {
    ASSERT_TRUE(open());
    const std::vector<std::uint32_t> texels(512 * 8);
    MeshDesc mesh;
    mesh.triangles.resize(2);
    setMeshTriangle(mesh.triangles[0], Surface::Textured, {texels.data(), 512, 8}, {0, 0, 0, 0, 0},
                    {1, 0, 0, 1, 0}, {0, 1, 0, 0.5f, 1}, 0, 0, 0);
    setMeshTriangle(mesh.triangles[1], Surface::Plain, {}, {0, 0, 0, 0.7f, 0.7f}, {1, 0, 0, 1, 1},
                    {0, 1, 0, 1, 1}, 0, 0, 0);
    ASSERT_EQ(scene.addMesh(mesh), 1);
    const SceneObject& o = scene.object(1);
    EXPECT_EQ(o.vertices[1].u, 511.0f / 512.0f);
    EXPECT_EQ(o.vertices[2].u, 511.0f * 0.5f / 512.0f);
    EXPECT_EQ(o.vertices[2].v, 7.0f / 8.0f);
    for (int i = 3; i < 6; ++i) {  // plain: (0, 0)
        EXPECT_EQ(o.vertices[i].u, 0.0f);
        EXPECT_EQ(o.vertices[i].v, 0.0f);
    }
    EXPECT_EQ(o.triangles[1].textureId, 0);
}

TEST_F(RecordedScene, ColourFaceNormalAndVertices) {
    ASSERT_TRUE(open());
    MeshDesc mesh = singleTriangle({0, 0, 0}, {2, 0, 0}, {0, 2, 0});
    mesh.triangles[0].red = 0x1FF;  // only the low byte counts
    mesh.triangles.push_back(mesh.triangles[0]);
    mesh.triangles[1].vertices[2] = {4, 0, 0, 0, 0};  // collinear: no normal of its own
    ASSERT_EQ(scene.addMesh(mesh), 1);
    const SceneObject& o = scene.object(1);
    EXPECT_EQ(o.triangles[0].colour, (ColourBytes{30, 20, 0xFF}));
    EXPECT_EQ(o.triangles[0].normal, (Vec3{0, 0, 1}));
    EXPECT_EQ(o.triangles[1].normal, (Vec3{0, 0, 1}));
    EXPECT_EQ(o.triangles[1].vertices[0], &o.vertices[3]);
    EXPECT_EQ(o.vertices[1].model, (Vec3{2, 0, 0}));
    // (p1 - p0) x (p2 - p1) of a clockwise triangle points away.
    MeshDesc flipped = singleTriangle({0, 0, 0}, {0, 2, 0}, {2, 0, 0});
    ASSERT_EQ(scene.addMesh(flipped), 2);
    EXPECT_EQ(scene.object(2).triangles[0].normal, (Vec3{0, 0, -1}));
}

TEST_F(RecordedScene, AnObjectNeverResetHasAZeroTransform) {
    ASSERT_TRUE(open());
    const MeshDesc mesh = singleTriangle({1, 2, 3}, {4, 5, 6}, {7, 8, 10});
    ASSERT_EQ(scene.addMesh(mesh), 1);
    EXPECT_FALSE(scene.object(1).transform.isIdentity());
    scene.transformVertices();
    for (const SceneVertex& v : scene.object(1).vertices) {
        EXPECT_EQ(v.transformed, (Vec3{0, 0, 0}));
    }
}

TEST_F(RecordedScene, TheFactorAddedLastActsFirst) {
    ASSERT_TRUE(open());
    const MeshDesc mesh = singleTriangle({1, 0, 0}, {0, 0, 0}, {0, 0, 1});
    ASSERT_EQ(scene.addMesh(mesh), 1);
    scene.resetTransform(1);
    EXPECT_TRUE(scene.object(1).transform.isIdentity());
    scene.translate(1, 10, 0, 0);
    scene.rotate(1, 1.5707964f, 0, 0, 1);
    scene.transformVertices();
    // (1, 0, 0) turns to (0, 1, 0), then moves to (10, 1, 0).
    const Vec3 p = scene.object(1).vertices[0].transformed;
    EXPECT_NEAR(p.x, 10.0f, 1e-5f);
    EXPECT_NEAR(p.y, 1.0f, 1e-5f);
    EXPECT_NEAR(p.z, 0.0f, 1e-5f);
}

TEST_F(RecordedScene, ObjectNumbersOutOfRangeDoNothing) {
    ASSERT_TRUE(open());
    const MeshDesc mesh = smallTriangle();
    ASSERT_EQ(scene.addMesh(mesh), 1);
    for (int k : {0, 2, -1}) {
        scene.resetTransform(k);
        scene.translate(k, 1, 1, 1);
        scene.rotate(k, 1, 0, 1, 0);
    }
    EXPECT_FALSE(scene.object(1).transform.isIdentity());
    EXPECT_EQ(scene.object(1).transform.elements(), Matrix4::zero().elements());
}

SceneTriangle withRange(float minZ, float maxZ) {
    SceneTriangle t;
    t.minZ = minZ;
    t.maxZ = maxZ;
    return t;
}

TEST(TransitionSceneOrder, CompareDrawOrder) {
    struct Case {
        float pMin, pMax, qMin, qMax;
        int expected;
    };
    const Case cases[] = {
        {2, 3, 0, 1, 1},         // p entirely in front: after
        {1, 3, 0, 1, 1},         // touching counts as in front
        {0, 1, 2, 3, -1},        // p entirely behind: before
        {0, 4, 1, 2, 1},         // overlap: midpoint 2 against 1.5
        {0, 2, 1, 4, -1},        // overlap: midpoint 1 against 2.5
        {0, 4, 1, 3, 0},         // overlap with equal midpoints
        {-5, 1, -1, -0.5f, -1},  // reaches further forward, but its midpoint is behind
    };
    for (const Case& c : cases) {
        EXPECT_EQ(
            TransitionScene::compareDrawOrder(withRange(c.pMin, c.pMax), withRange(c.qMin, c.qMax)),
            c.expected)
            << c.pMin << ".." << c.pMax << " vs " << c.qMin << ".." << c.qMax;
    }
}

TEST_F(RecordedScene, DrawListIsSortedBackToFront) {
    ASSERT_TRUE(open());
    // Triangles at these z ranges, submitted in this order.
    const float ranges[][2] = {{1, 1}, {-3, -2}, {-1, 5}, {0, 0.5f}, {-10, 9}, {-2.5f, -2.2f}};
    for (const auto& r : ranges) {
        const MeshDesc mesh = singleTriangle({0, 0, r[0]}, {1, 0, r[1]}, {0, 1, r[0]});
        const int k = scene.addMesh(mesh);
        scene.resetTransform(k);
    }
    scene.transformVertices();
    scene.buildDrawList();
    ASSERT_EQ(scene.drawList().size(), 6u);
    EXPECT_EQ(scene.drawList()[0], &scene.object(1).triangles[0]);  // submission order
    scene.sortDrawList();
    std::vector<float> minima;
    for (const SceneTriangle* t : scene.drawList()) {
        minima.push_back(t->minZ);
    }
    // Midpoints: -2.5, -2.35, -0.5, 0.25, 1, 2.
    EXPECT_EQ(minima, (std::vector<float>{-3, -2.5f, -10, 0, 1, -1}));
    const auto& list = scene.drawList();
    for (std::size_t i = 0; i < list.size(); ++i) {
        for (std::size_t j = i + 1; j < list.size(); ++j) {
            EXPECT_LE(TransitionScene::compareDrawOrder(*list[i], *list[j]), 0) << i << " " << j;
        }
    }
}

TEST_F(RecordedScene, DrawSubmitsTheListSwitchingTexturesOnlyWhenTheyChange) {
    ASSERT_TRUE(open());
    const std::vector<std::uint32_t> texels(16);
    MeshDesc mesh;
    mesh.triangles.resize(3);
    // Depths chosen so that the sorted order is textured, textured, plain.
    setMeshTriangle(mesh.triangles[0], Surface::Plain, {}, {0, 0, 1, 0, 0}, {1, 0, 1, 0, 0},
                    {0, 1, 1, 0, 0}, 1, 2, 3);
    setMeshTriangle(mesh.triangles[1], Surface::Textured, {texels.data(), 4, 4}, {0, 0, -1, 0, 0},
                    {1, 0, -1, 1, 0}, {0, 1, -1, 0, 1}, 4, 5, 6);
    setMeshTriangle(mesh.triangles[2], Surface::Textured, {texels.data(), 4, 4}, {0, 0, 0, 0, 0},
                    {1, 0, 0, 1, 0}, {0, 1, 0, 0, 1}, 7, 8, 9);
    ASSERT_EQ(scene.addMesh(mesh), 1);
    scene.resetTransform(1);
    takeLog();
    scene.renderFrame();
    EXPECT_EQ(takeLog(),
              (std::vector<std::string>{
                  "setMatrixMode 25",  "loadIdentity",     "translate 0 0 -4",  "bindTexture 21 0",
                  "beginPrimitive 28", "endPrimitive",     "bindTexture 21 1",  "beginPrimitive 28",
                  "color3ub 4 5 6",    "normal3 0 -0 1",   "texCoord2 0 0",     "vertex3 0 0 -1",
                  "texCoord2 0.75 0",  "vertex3 1 0 -1",   "texCoord2 0 0.75",  "vertex3 0 1 -1",
                  "color3ub 7 8 9",    "normal3 0 -0 1",   "texCoord2 0 0",     "vertex3 0 0 0",
                  "texCoord2 0.75 0",  "vertex3 1 0 0",    "texCoord2 0 0.75",  "vertex3 0 1 0",
                  "endPrimitive",      "bindTexture 21 0", "beginPrimitive 28", "color3ub 1 2 3",
                  "normal3 0 -0 1",    "texCoord2 0 0",    "vertex3 0 0 1",     "texCoord2 0 0",
                  "vertex3 1 0 1",     "texCoord2 0 0",    "vertex3 0 1 1",     "endPrimitive",
              }));
}

TEST_F(RecordedScene, ResetAndCloseLeaveNothingToDraw) {
    ASSERT_TRUE(open());
    const MeshDesc mesh = smallTriangle();
    scene.addMesh(mesh);
    scene.reset();
    EXPECT_EQ(scene.objectCount(), 0);
    scene.close();
    takeLog();
    scene.renderFrame();
    EXPECT_TRUE(takeLog().empty());
}

// ---------------------------------------------------------------- drawn with the software renderer

// A 16 x 16 texture whose texel (column c, row r) is tag | r << 8 | c.
std::vector<std::uint32_t> taggedTexture(std::uint32_t tag) {
    std::vector<std::uint32_t> t(16 * 16);
    for (std::uint32_t r = 0; r < 16; ++r) {
        for (std::uint32_t c = 0; c < 16; ++c) {
            t[r * 16 + c] = tag | r << 8 | c;
        }
    }
    return t;
}

// A slab that fills a 4:3 output with one picture on its front and another
// on its back, turned about the vertical axis by `turn` (0 to 1 half turns)
// while it dips away, as the plane-turn transition poses it.
std::vector<std::uint32_t> drawTurningSlab(float turn) {
    constexpr int kW = 96, kH = 72;
    const float a = static_cast<float>(kW) / kH;
    const auto front = taggedTexture(0x00A00000u);
    const auto back = taggedTexture(0x00B00000u);
    std::vector<std::uint32_t> frame(kW * kH, 0);
    TransitionScene scene;
    EXPECT_TRUE(scene.open({frame.data(), kW, kH}));
    std::unique_ptr<MeshDesc> box = makeBox(0.25f, -0.25f, -2 / a, 2 / a, 2, -2, 120, 120, 120);
    setBoxFaceZ0(*box, {front.data(), 16, 16}, {0, 0}, {1, 0}, {0, 1}, {1, 1});
    setBoxFaceZ1(*box, {back.data(), 16, 16}, {0, 0}, {1, 0}, {0, 1}, {1, 1});
    const int slab = scene.addMesh(*box);
    box.reset();
    const float pi = 3.1415927f;
    scene.resetTransform(slab);
    scene.translate(slab, 0, 0, -0.25f - 4 * std::sin(pi * turn));
    scene.rotate(slab, pi * turn, 0, 1, 0);
    scene.renderFrame();
    scene.close();
    return frame;
}

// Whether every pixel shows the tagged picture, unmirrored: columns growing
// to the right and rows growing upward. The scene pulls texture coordinates
// in by one texel (u = 1 names the last column), so 15 texel widths span the
// output, and a pixel samples the ray through its far corner: column
// x maps to texel 15 (x + 1) / 96. Each pixel may be one texel off where
// the fixed-point position sits next to a texel boundary.
void expectWholePicture(const std::vector<std::uint32_t>& frame, std::uint32_t tag) {
    constexpr int kW = 96, kH = 72;
    int offByOne = 0;
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            const std::uint32_t p = frame[y * kW + x];
            ASSERT_EQ(p & 0xFFFF0000u, tag) << x << "," << y;
            const int column = static_cast<int>(p & 0xFF), row = static_cast<int>((p >> 8) & 0xFF);
            const int expectedColumn = std::min(15 * (x + 1) / kW, 15);
            const int expectedRow = std::min(15 * (y + 1) / kH, 15);
            ASSERT_LE(std::abs(column - expectedColumn), 1) << x << "," << y;
            ASSERT_LE(std::abs(row - expectedRow), 1) << x << "," << y;
            offByOne += column != expectedColumn || row != expectedRow;
        }
    }
    EXPECT_LT(offByOne, kW * kH / 10);
}

TEST(TransitionSceneDrawing, SlabFacingTheViewerFillsTheOutputWithItsFront) {
    expectWholePicture(drawTurningSlab(0.0f), 0x00A00000u);
}

TEST(TransitionSceneDrawing, SlabTurnedHalfOverShowsItsBackUnmirrored) {
    expectWholePicture(drawTurningSlab(1.0f), 0x00B00000u);
}

TEST(TransitionSceneDrawing, MidTurnTheSlabIsSmallerAndItsSideIsLitGrey) {
    const std::vector<std::uint32_t> frame = drawTurningSlab(0.3f);
    int black = 0, front = 0, grey = 0;
    for (std::uint32_t p : frame) {
        black += p == 0;
        front += (p & 0xFFFF0000u) == 0x00A00000u;
        // 120 lit by ambient 0.3 and part of diffuse 0.4: between 35 and 83.
        const std::uint32_t b = p & 0xFF;
        grey += (p >> 16) == b && ((p >> 8) & 0xFF) == b && b >= 35 && b <= 83;
    }
    EXPECT_GT(black, 0);
    EXPECT_GT(front, 96 * 72 / 8);
    EXPECT_GT(grey, 0);
}

}  // namespace
}  // namespace render3d
