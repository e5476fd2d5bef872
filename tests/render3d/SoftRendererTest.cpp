#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "render3d/SoftRenderer.h"

namespace render3d {
namespace {

constexpr std::uint32_t kBackground = 0xDEADBEEFu;

// The interface's codes, one "NAME value" a line: the values are part of the
// interface and must never drift.
TEST(GraphicsCodes, TableOfNumericCodes) {
    std::ostringstream table;
#define CODE(name) table << #name " " << name << "\n"
    CODE(CAP_DEPTH_TEST);
    CODE(CAP_CULL_FACE);
    CODE(CAP_TEXTURE_COMBINE_A);
    CODE(CAP_TEXTURE_COMBINE_B);
    CODE(QUERY_VIEWPORT);
    CODE(QUERY_MAX_LIGHTS);
    CODE(CAP_LIGHTING);
    CODE(CAP_LIGHT0);
    CODE(LIGHT_AMBIENT);
    CODE(LIGHT_DIFFUSE);
    CODE(LIGHT_SPECULAR);
    CODE(LIGHT_POSITION);
    CODE(CAP_TEXTURE_2D);
    CODE(TEX_INTERNAL_RGBA);
    CODE(TEX_FORMAT_BGRA);
    CODE(TEX_TYPE_UBYTE);
    CODE(MODE_MODELVIEW);
    CODE(MODE_PROJECTION);
    CODE(PRIM_TRIANGLES);
    CODE(FACE_FRONT);
    CODE(FACE_BACK);
    CODE(ERR_NONE);
    CODE(ERR_INVALID_OPERATION);
    CODE(ERR_INVALID_ENUM);
    CODE(ERR_INVALID_VALUE);
#undef CODE
    EXPECT_EQ(
        table.str(),
        "CAP_DEPTH_TEST 2\nCAP_CULL_FACE 3\nCAP_TEXTURE_COMBINE_A 4\nCAP_TEXTURE_COMBINE_B 5\n"
        "QUERY_VIEWPORT 6\nQUERY_MAX_LIGHTS 7\nCAP_LIGHTING 8\nCAP_LIGHT0 9\n"
        "LIGHT_AMBIENT 17\nLIGHT_DIFFUSE 18\nLIGHT_SPECULAR 19\nLIGHT_POSITION 20\n"
        "CAP_TEXTURE_2D 21\nTEX_INTERNAL_RGBA 22\nTEX_FORMAT_BGRA 23\nTEX_TYPE_UBYTE 24\n"
        "MODE_MODELVIEW 25\nMODE_PROJECTION 26\nPRIM_TRIANGLES 28\nFACE_FRONT 29\n"
        "FACE_BACK 30\nERR_NONE 31\nERR_INVALID_OPERATION 32\nERR_INVALID_ENUM 33\n"
        "ERR_INVALID_VALUE 34\n");
}

TEST(SoftRendererState, InitialValues) {
    SoftRenderer gl;
    int viewport[4] = {-1, -1, -1, -1};
    gl.getInteger(QUERY_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 256);
    EXPECT_EQ(viewport[3], 256);
    EXPECT_TRUE(gl.ownsColourBuffer());
    EXPECT_NE(gl.colourBuffer(), nullptr);
    EXPECT_EQ(gl.rasterizer().width(), 256);
    EXPECT_EQ(gl.currentColour(), 0xFFFFFFFFu);
    EXPECT_EQ(gl.matrixMode(), MODE_MODELVIEW);
    EXPECT_EQ(gl.shadeMode(), 0);
    EXPECT_EQ(gl.cullFace(), FACE_BACK);
    EXPECT_EQ(gl.error(), ERR_NONE);
    EXPECT_EQ(gl.boundTexture(), 0);
    EXPECT_EQ(gl.textureCount(), 0);
    EXPECT_TRUE(gl.modelView().isIdentity());
    EXPECT_FALSE(gl.perspective());
    EXPECT_FALSE(gl.primitiveOpen());
    const ProjectionVolume& v = gl.volume();
    EXPECT_EQ(v.left, -1.0);
    EXPECT_EQ(v.right, 1.0);
    EXPECT_EQ(v.bottom, -1.0);
    EXPECT_EQ(v.top, 1.0);
    EXPECT_EQ(v.nearPlane, 1.0);
    EXPECT_EQ(v.farPlane, 10.0);
    for (int code : {CAP_DEPTH_TEST, CAP_CULL_FACE, CAP_TEXTURE_COMBINE_A, CAP_TEXTURE_COMBINE_B,
                     CAP_TEXTURE_2D, CAP_LIGHTING, CAP_LIGHT0, CAP_LIGHT0 + 7}) {
        EXPECT_FALSE(gl.capability(code)) << code;
    }
}

// Operations refused inside a primitive, each with a probe that tells
// whether it had any effect.
struct GuardedCase {
    const char* name;
    std::function<void(SoftRenderer&)> call;
    std::function<bool(const SoftRenderer&)> unchanged;
};

TEST(SoftRendererErrors, InsideAPrimitiveEveryStateOperationIsRefused) {
    std::uint32_t other[4] = {};
    const GuardedCase cases[] = {
        {"setShadeMode", [](SoftRenderer& gl) { gl.setShadeMode(1); },
         [](const SoftRenderer& gl) { return gl.shadeMode() == 0; }},
        {"enable", [](SoftRenderer& gl) { gl.enable(CAP_CULL_FACE); },
         [](const SoftRenderer& gl) { return !gl.capability(CAP_CULL_FACE); }},
        {"disable", [](SoftRenderer& gl) { gl.disable(CAP_TEXTURE_2D); },
         [](const SoftRenderer& gl) { return gl.capability(CAP_TEXTURE_2D); }},
        {"setViewport", [](SoftRenderer& gl) { gl.setViewport(0, 0, 8, 8); },
         [](const SoftRenderer& gl) { return gl.rasterizer().width() == 256; }},
        {"getInteger",
         [](SoftRenderer& gl) {
             int n = 0;
             gl.getInteger(QUERY_MAX_LIGHTS, &n);
             EXPECT_EQ(n, 0);
         },
         [](const SoftRenderer&) { return true; }},
        {"setLight",
         [](SoftRenderer& gl) {
             const float v[4] = {1, 1, 1, 1};
             gl.setLight(CAP_LIGHT0, LIGHT_AMBIENT, v);
         },
         [](const SoftRenderer& gl) { return gl.rasterizer().light(0).ambient[0] == 0; }},
        {"genTextures",
         [](SoftRenderer& gl) {
             int id = -7;
             gl.genTextures(1, &id);
             EXPECT_EQ(id, -7);
         },
         [](const SoftRenderer&) { return true; }},
        {"deleteTextures",
         [](SoftRenderer& gl) {
             const int id = 1;
             gl.deleteTextures(1, &id);
         },
         [](const SoftRenderer& gl) { return gl.texture(1) != nullptr; }},
        {"bindTexture", [](SoftRenderer& gl) { gl.bindTexture(CAP_TEXTURE_2D, 5); },
         [](const SoftRenderer& gl) { return gl.boundTexture() == 1; }},
        {"texImage2D",
         [&other](SoftRenderer& gl) {
             gl.texImage2D(CAP_TEXTURE_2D, 0, TEX_INTERNAL_RGBA, 2, 2, 0, TEX_FORMAT_BGRA,
                           TEX_TYPE_UBYTE, other);
         },
         [&other](const SoftRenderer& gl) { return gl.texture(1)->pixels != other; }},
        {"setCullFace", [](SoftRenderer& gl) { gl.setCullFace(FACE_FRONT); },
         [](const SoftRenderer& gl) { return gl.cullFace() == FACE_BACK; }},
        {"setMatrixMode", [](SoftRenderer& gl) { gl.setMatrixMode(MODE_PROJECTION); },
         [](const SoftRenderer& gl) { return gl.matrixMode() == MODE_MODELVIEW; }},
        {"loadIdentity", [](SoftRenderer& gl) { gl.loadIdentity(); },
         [](const SoftRenderer& gl) { return !gl.modelView().isIdentity(); }},
        {"translate", [](SoftRenderer& gl) { gl.translate(1, 0, 0); },
         [](const SoftRenderer& gl) { return gl.modelView().at(0, 3) == 0.0f; }},
        {"beginPrimitive", [](SoftRenderer& gl) { gl.beginPrimitive(PRIM_TRIANGLES); },
         [](const SoftRenderer& gl) { return gl.pendingVertices() == 1; }},
        {"frustum", [](SoftRenderer& gl) { gl.frustum(-2, 2, -2, 2, 3, 9); },
         [](const SoftRenderer& gl) { return gl.volume().nearPlane == 1.0; }},
        {"setOutputBuffer", [&other](SoftRenderer& gl) { gl.setOutputBuffer(other); },
         [&other](const SoftRenderer& gl) { return gl.colourBuffer() != other; }},
    };
    const std::vector<std::uint32_t> texels(4);
    for (const GuardedCase& c : cases) {
        SCOPED_TRACE(c.name);
        SoftRenderer gl;
        gl.enable(CAP_TEXTURE_2D);
        gl.bindTexture(CAP_TEXTURE_2D, 1);
        gl.texImage2D(CAP_TEXTURE_2D, 0, TEX_INTERNAL_RGBA, 2, 2, 0, TEX_FORMAT_BGRA,
                      TEX_TYPE_UBYTE, texels.data());
        gl.translate(0, 0, -1);  // a model-view that is not the identity
        gl.beginPrimitive(PRIM_TRIANGLES);
        const float p[3] = {0, 0, 0};
        gl.vertex3(p);  // one pending vertex
        ASSERT_EQ(gl.error(), ERR_NONE);
        c.call(gl);
        EXPECT_EQ(gl.error(), ERR_INVALID_OPERATION);
        EXPECT_TRUE(c.unchanged(gl));
        EXPECT_TRUE(gl.primitiveOpen());
    }
}

TEST(SoftRendererErrors, VertexDataCallsWorkInsideAPrimitive) {
    SoftRenderer gl;
    gl.beginPrimitive(PRIM_TRIANGLES);
    gl.color3ub(1, 2, 3);
    gl.texCoord2(0.5, 0.25);
    const float n[3] = {0, 1, 0};
    gl.normal3(n);
    EXPECT_EQ(gl.error(), ERR_NONE);
    EXPECT_EQ(gl.currentColour(), 0xFF010203u);
}

TEST(SoftRendererErrors, Vertex3OutsideAPrimitiveChangesNothing) {
    SoftRenderer gl;
    const float p[3] = {1, 2, 3};
    gl.vertex3(p);
    EXPECT_EQ(gl.error(), ERR_INVALID_OPERATION);
    EXPECT_EQ(gl.pendingVertices(), 0);
    EXPECT_EQ(gl.batchedTriangles(), 0);
    gl.endPrimitive();
    EXPECT_EQ(gl.error(), ERR_INVALID_OPERATION);
}

TEST(SoftRendererErrors, AnErrorStaysUntilTheNextCheckedOperation) {
    SoftRenderer gl;
    gl.enable(99);
    EXPECT_EQ(gl.error(), ERR_INVALID_ENUM);
    gl.color3ub(1, 1, 1);  // not checked: the error stays
    EXPECT_EQ(gl.error(), ERR_INVALID_ENUM);
    gl.enable(CAP_LIGHTING);
    EXPECT_EQ(gl.error(), ERR_NONE);
}

TEST(SoftRendererErrors, EnumsAndValues) {
    struct Case {
        const char* name;
        std::function<void(SoftRenderer&)> call;
        int error;
    };
    const float four[4] = {0, 0, 1, 0};
    const std::vector<std::uint32_t> texels(4);
    const void* px = texels.data();
    const Case cases[] = {
        {"shade mode 1", [](SoftRenderer& gl) { gl.setShadeMode(1); }, ERR_NONE},
        {"shade mode 2", [](SoftRenderer& gl) { gl.setShadeMode(2); }, ERR_INVALID_ENUM},
        {"enable 1", [](SoftRenderer& gl) { gl.enable(1); }, ERR_INVALID_ENUM},
        {"enable 6", [](SoftRenderer& gl) { gl.enable(6); }, ERR_INVALID_ENUM},
        {"enable 17", [](SoftRenderer& gl) { gl.enable(17); }, ERR_INVALID_ENUM},
        {"enable 22", [](SoftRenderer& gl) { gl.enable(22); }, ERR_INVALID_ENUM},
        {"disable 0", [](SoftRenderer& gl) { gl.disable(0); }, ERR_INVALID_ENUM},
        {"enable 4", [](SoftRenderer& gl) { gl.enable(4); }, ERR_NONE},
        {"enable 16", [](SoftRenderer& gl) { gl.enable(16); }, ERR_NONE},
        {"viewport x 1", [](SoftRenderer& gl) { gl.setViewport(1, 0, 8, 8); }, ERR_INVALID_VALUE},
        {"viewport y 1", [](SoftRenderer& gl) { gl.setViewport(0, 1, 8, 8); }, ERR_INVALID_VALUE},
        {"viewport -8", [](SoftRenderer& gl) { gl.setViewport(0, 0, -8, 8); }, ERR_INVALID_VALUE},
        {"viewport 0", [](SoftRenderer& gl) { gl.setViewport(0, 0, 0, 8); }, ERR_NONE},
        {"query 5",
         [](SoftRenderer& gl) {
             int n[4];
             gl.getInteger(5, n);
         },
         ERR_INVALID_ENUM},
        {"light 8", [&](SoftRenderer& gl) { gl.setLight(8, LIGHT_AMBIENT, four); },
         ERR_INVALID_ENUM},
        {"light 17", [&](SoftRenderer& gl) { gl.setLight(17, LIGHT_AMBIENT, four); },
         ERR_INVALID_ENUM},
        {"light 16", [&](SoftRenderer& gl) { gl.setLight(16, LIGHT_AMBIENT, four); }, ERR_NONE},
        {"light parameter 21", [&](SoftRenderer& gl) { gl.setLight(CAP_LIGHT0, 21, four); },
         ERR_INVALID_ENUM},
        {"gen 64 ids",
         [](SoftRenderer& gl) {
             std::vector<int> ids(64);
             gl.genTextures(64, ids.data());
         },
         ERR_INVALID_VALUE},
        {"delete -1", [](SoftRenderer& gl) { gl.deleteTextures(-1, nullptr); }, ERR_INVALID_VALUE},
        {"bind target 3", [](SoftRenderer& gl) { gl.bindTexture(3, 1); }, ERR_INVALID_ENUM},
        {"bind id 64", [](SoftRenderer& gl) { gl.bindTexture(CAP_TEXTURE_2D, 64); },
         ERR_INVALID_OPERATION},
        {"bind id -1", [](SoftRenderer& gl) { gl.bindTexture(CAP_TEXTURE_2D, -1); },
         ERR_INVALID_OPERATION},
        {"tex target", [&](SoftRenderer& gl) { gl.texImage2D(3, 0, 22, 2, 2, 0, 23, 24, px); },
         ERR_INVALID_ENUM},
        {"tex internal", [&](SoftRenderer& gl) { gl.texImage2D(21, 0, 23, 2, 2, 0, 23, 24, px); },
         ERR_INVALID_ENUM},
        {"tex format", [&](SoftRenderer& gl) { gl.texImage2D(21, 0, 22, 2, 2, 0, 22, 24, px); },
         ERR_INVALID_ENUM},
        {"tex type", [&](SoftRenderer& gl) { gl.texImage2D(21, 0, 22, 2, 2, 0, 23, 25, px); },
         ERR_INVALID_ENUM},
        {"tex level", [&](SoftRenderer& gl) { gl.texImage2D(21, 1, 22, 2, 2, 0, 23, 24, px); },
         ERR_INVALID_VALUE},
        {"tex border", [&](SoftRenderer& gl) { gl.texImage2D(21, 0, 22, 2, 2, 1, 23, 24, px); },
         ERR_INVALID_VALUE},
        {"tex 2048", [&](SoftRenderer& gl) { gl.texImage2D(21, 0, 22, 2048, 2, 0, 23, 24, px); },
         ERR_INVALID_VALUE},
        {"tex 0", [&](SoftRenderer& gl) { gl.texImage2D(21, 0, 22, 2, 0, 0, 23, 24, px); },
         ERR_INVALID_VALUE},
        {"tex 1024x1", [&](SoftRenderer& gl) { gl.texImage2D(21, 0, 22, 1024, 1, 0, 23, 24, px); },
         ERR_NONE},
        {"cull 28", [](SoftRenderer& gl) { gl.setCullFace(28); }, ERR_INVALID_ENUM},
        {"matrix mode 27", [](SoftRenderer& gl) { gl.setMatrixMode(27); }, ERR_INVALID_ENUM},
        {"primitive 29", [](SoftRenderer& gl) { gl.beginPrimitive(29); }, ERR_INVALID_ENUM},
    };
    for (const Case& c : cases) {
        SoftRenderer gl;
        c.call(gl);
        EXPECT_EQ(gl.error(), c.error) << c.name;
        EXPECT_FALSE(gl.primitiveOpen()) << c.name;
    }
}

TEST(SoftRendererState, EnableAndDisableSwitchEveryCapability) {
    SoftRenderer gl;
    for (int code : {CAP_DEPTH_TEST, CAP_CULL_FACE, CAP_TEXTURE_COMBINE_A, CAP_TEXTURE_COMBINE_B,
                     CAP_TEXTURE_2D, CAP_LIGHTING, CAP_LIGHT0, CAP_LIGHT0 + 3, CAP_LIGHT0 + 7}) {
        gl.enable(code);
        EXPECT_TRUE(gl.capability(code)) << code;
        gl.disable(code);
        EXPECT_FALSE(gl.capability(code)) << code;
        EXPECT_EQ(gl.error(), ERR_NONE);
    }
}

TEST(SoftRendererState, ViewportReplacesTheBufferAndConfiguresTheRasterizer) {
    SoftRenderer gl;
    gl.setViewport(0, 0, 320, 200);
    int v[4];
    gl.getInteger(QUERY_VIEWPORT, v);
    EXPECT_EQ(v[2], 320);
    EXPECT_EQ(v[3], 200);
    EXPECT_TRUE(gl.ownsColourBuffer());
    EXPECT_EQ(gl.rasterizer().width(), 320);
    EXPECT_EQ(gl.rasterizer().height(), 200);
    EXPECT_EQ(gl.rasterizer().buffer(), gl.colourBuffer());
    int lights = 0;
    gl.getInteger(QUERY_MAX_LIGHTS, &lights);
    EXPECT_EQ(lights, 8);
}

TEST(SoftRendererState, OutputBufferIsUsedNotOwned) {
    SoftRenderer gl;
    std::vector<std::uint32_t> frame(256 * 256);
    gl.setOutputBuffer(frame.data());
    EXPECT_FALSE(gl.ownsColourBuffer());
    EXPECT_EQ(gl.colourBuffer(), frame.data());
    EXPECT_EQ(gl.rasterizer().buffer(), frame.data());
}

TEST(SoftRendererState, FrustumTakesEffectOnlyInProjectionMode) {
    SoftRenderer gl;
    gl.frustum(-0.5, 0.5, -0.5, 0.5, 1, 500);
    EXPECT_FALSE(gl.perspective());
    EXPECT_EQ(gl.volume().farPlane, 500.0);
    EXPECT_EQ(gl.rasterizer().scale(), 128.0f);  // still the first volume: 256 / 2
    gl.setViewport(0, 0, 256, 256);              // the waiting volume applies now
    EXPECT_EQ(gl.rasterizer().scale(), 256.0f);
    gl.setMatrixMode(MODE_PROJECTION);
    gl.frustum(-1, 1, -1, 1, 2, 500);
    EXPECT_TRUE(gl.perspective());
    EXPECT_EQ(gl.rasterizer().scale(), 256.0f);  // 256 * 2 / 2
    EXPECT_EQ(gl.rasterizer().nearPlane(), 2.0f);
}

TEST(SoftRendererState, LoadIdentityAndTranslateDoNothingInProjectionMode) {
    SoftRenderer gl;
    gl.translate(1, 2, 3);
    const Matrix4 before = gl.modelView();
    gl.setMatrixMode(MODE_PROJECTION);
    gl.loadIdentity();
    gl.translate(5, 5, 5);
    EXPECT_EQ(gl.modelView().elements(), before.elements());
    EXPECT_FALSE(gl.modelView().isIdentity());
    EXPECT_EQ(gl.error(), ERR_NONE);
    gl.setMatrixMode(MODE_MODELVIEW);
    gl.loadIdentity();
    EXPECT_TRUE(gl.modelView().isIdentity());
}

TEST(SoftRendererState, TranslateMultipliesOnTheRight) {
    SoftRenderer gl;
    gl.translate(1, 0, 0);
    gl.translate(0, 2, 0);
    EXPECT_EQ(gl.modelView().at(0, 3), 1.0f);
    EXPECT_EQ(gl.modelView().at(1, 3), 2.0f);
}

TEST(SoftRendererLights, ColoursAreStoredAsSixteenSixteenFractions) {
    SoftRenderer gl;
    const float ambient[4] = {0.3f, 0.3f, 1.0f, 1.0f};
    const float diffuse[4] = {0.4f, 0.0f, 0.5f, 1.0f};
    const float specular[4] = {1.0f, 0.5f, 0.0f, 1.0f};
    gl.setLight(CAP_LIGHT0 + 2, LIGHT_AMBIENT, ambient);
    gl.setLight(CAP_LIGHT0 + 2, LIGHT_DIFFUSE, diffuse);
    gl.setLight(CAP_LIGHT0 + 2, LIGHT_SPECULAR, specular);
    const LightSource& light = gl.rasterizer().light(2);
    // 0.3 * 255 = 76 -> 76 * 65536 / 255 = 19532; 1.0 -> 65536; 0.5 -> 127 -> 32639.
    EXPECT_EQ(light.ambient, (std::array<Fixed, 3>{19532, 19532, 65536}));
    EXPECT_EQ(light.diffuse, (std::array<Fixed, 3>{26214, 0, 32639}));
    EXPECT_EQ(light.specular, (ColourBytes{0, 127, 255}));  // blue, green, red
}

TEST(SoftRendererLights, PositionIsAUnitDirectionWithZNegated) {
    SoftRenderer gl;
    const float position[4] = {0.0f, -0.5f, 1.0f, 0.0f};
    gl.setLight(CAP_LIGHT0, LIGHT_POSITION, position);
    const Vec3 d = gl.rasterizer().light(0).direction;
    EXPECT_FLOAT_EQ(d.x, 0.0f);
    EXPECT_FLOAT_EQ(d.y, -0.5f / std::sqrt(1.25f));
    EXPECT_FLOAT_EQ(d.z, -1.0f / std::sqrt(1.25f));
}

TEST(SoftRendererTextures, GeneratedIdsAreNotReservedUntilFilled) {
    SoftRenderer gl;
    int first = 0, second = 0;
    gl.genTextures(1, &first);
    gl.genTextures(1, &second);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
    const std::vector<std::uint32_t> texels(4);
    gl.bindTexture(CAP_TEXTURE_2D, first);
    gl.texImage2D(CAP_TEXTURE_2D, 0, TEX_INTERNAL_RGBA, 2, 2, 0, TEX_FORMAT_BGRA, TEX_TYPE_UBYTE,
                  texels.data());
    int ids[3] = {};
    gl.genTextures(3, ids);
    EXPECT_EQ(ids[0], 2);
    EXPECT_EQ(ids[1], 3);
    EXPECT_EQ(ids[2], 4);
}

TEST(SoftRendererTextures, UploadReferencesThePixelsAndRecordsTheExponents) {
    SoftRenderer gl;
    const std::vector<std::uint32_t> texels(512 * 8);
    gl.bindTexture(CAP_TEXTURE_2D, 5);
    gl.texImage2D(CAP_TEXTURE_2D, 0, TEX_INTERNAL_RGBA, 512, 8, 0, TEX_FORMAT_BGRA, TEX_TYPE_UBYTE,
                  texels.data());
    const TextureImage* t = gl.texture(5);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->pixels, texels.data());
    EXPECT_EQ(t->width, 512);
    EXPECT_EQ(t->log2Width, 9);
    EXPECT_EQ(t->height, 8);
    EXPECT_EQ(t->log2Height, 3);
}

TEST(SoftRendererTextures, ReplacingDeletingAndNullPixels) {
    SoftRenderer gl;
    const std::vector<std::uint32_t> a(4), b(4);
    gl.bindTexture(CAP_TEXTURE_2D, 3);
    gl.texImage2D(21, 0, 22, 2, 2, 0, 23, 24, a.data());
    gl.texImage2D(21, 0, 22, 2, 2, 0, 23, 24, b.data());
    EXPECT_EQ(gl.textureCount(), 1);  // the old image went away
    EXPECT_EQ(gl.texture(3)->pixels, b.data());
    gl.texImage2D(21, 0, 22, 2, 2, 0, 23, 24, nullptr);
    EXPECT_EQ(gl.texture(3), nullptr);
    EXPECT_EQ(gl.textureCount(), 0);
    EXPECT_EQ(gl.error(), ERR_NONE);

    gl.texImage2D(21, 0, 22, 2, 2, 0, 23, 24, a.data());
    const int ids[] = {3, 3, 64, -2, 0};
    gl.deleteTextures(5, ids);
    EXPECT_EQ(gl.error(), ERR_NONE);
    EXPECT_EQ(gl.texture(3), nullptr);
    EXPECT_EQ(gl.textureCount(), 0);
}

TEST(SoftRendererTextures, BindingId64KeepsTheOldBinding) {
    SoftRenderer gl;
    gl.bindTexture(CAP_TEXTURE_2D, 7);
    gl.bindTexture(CAP_TEXTURE_2D, 64);
    EXPECT_EQ(gl.error(), ERR_INVALID_OPERATION);
    EXPECT_EQ(gl.boundTexture(), 7);
}

TEST(SoftRendererTextures, Width100IsRefusedAndTheEntryKept) {
    SoftRenderer gl;
    const std::vector<std::uint32_t> good(4), bad(100 * 2);
    gl.bindTexture(CAP_TEXTURE_2D, 2);
    gl.texImage2D(21, 0, 22, 2, 2, 0, 23, 24, good.data());
    gl.texImage2D(21, 0, 22, 100, 2, 0, 23, 24, bad.data());
    EXPECT_EQ(gl.error(), ERR_INVALID_VALUE);
    ASSERT_NE(gl.texture(2), nullptr);
    EXPECT_EQ(gl.texture(2)->pixels, good.data());
    EXPECT_EQ(gl.texture(2)->width, 2);
}

TEST(SoftRendererTextures, DestroyReleasesEverything) {
    SoftRenderer gl;
    const std::vector<std::uint32_t> texels(4);
    gl.bindTexture(CAP_TEXTURE_2D, 1);
    gl.texImage2D(21, 0, 22, 2, 2, 0, 23, 24, texels.data());
    gl.destroy();
    EXPECT_EQ(gl.textureCount(), 0);
    EXPECT_EQ(gl.texture(1), nullptr);
    EXPECT_EQ(gl.colourBuffer(), nullptr);
    EXPECT_FALSE(gl.ownsColourBuffer());
}

// A 64 x 64 output seen through the transition scene's camera.
class SoftRendererDrawing : public ::testing::Test {
  protected:
    static constexpr int kSize = 64;
    void SetUp() override {
        gl.setViewport(0, 0, kSize, kSize);
        gl.setOutputBuffer(frame.data());
        gl.setMatrixMode(MODE_PROJECTION);
        gl.frustum(-0.5, 0.5, -0.5, 0.5, 1.0, 500.0);
        gl.setMatrixMode(MODE_MODELVIEW);
    }
    // Object-space vertices; the model-view is the identity, so depth = -z.
    void triangle(Vec3 a, Vec3 b, Vec3 c) {
        for (const Vec3& v : {a, b, c}) {
            const float p[3] = {v.x, v.y, v.z};
            gl.vertex3(p);
        }
    }
    // Counter-clockwise on the screen around the centre, at distance 2.
    void frontTriangle() { triangle({-0.5f, -0.5f, -2}, {0.5f, -0.5f, -2}, {0, 0.5f, -2}); }
    void backTriangle() { triangle({-0.5f, -0.5f, -2}, {0, 0.5f, -2}, {0.5f, -0.5f, -2}); }
    int painted() const {
        int n = 0;
        for (std::uint32_t p : frame) {
            n += p != kBackground;
        }
        return n;
    }
    std::uint32_t centre() const { return frame[32 * kSize + 32]; }

    std::vector<std::uint32_t> frame = std::vector<std::uint32_t>(kSize * kSize, kBackground);
    SoftRenderer gl;
};

TEST_F(SoftRendererDrawing, TrianglesAreDrawnAtTheFlushInTheirColour) {
    gl.beginPrimitive(PRIM_TRIANGLES);
    gl.color3ub(200, 100, 50);
    frontTriangle();
    EXPECT_EQ(painted(), 0);
    EXPECT_EQ(gl.batchedTriangles(), 1);
    gl.endPrimitive();
    EXPECT_EQ(gl.batchedTriangles(), 0);
    EXPECT_FALSE(gl.primitiveOpen());
    EXPECT_EQ(centre(), 0x00C86432u);
    EXPECT_GT(painted(), 300);
}

TEST_F(SoftRendererDrawing, The257thTriangleFlushesTheFirst256BeforeItsFirstVertex) {
    gl.beginPrimitive(PRIM_TRIANGLES);
    gl.color3ub(1, 2, 3);
    for (int i = 0; i < 256; ++i) {
        frontTriangle();
    }
    EXPECT_EQ(gl.batchedTriangles(), 256);
    EXPECT_EQ(painted(), 0);
    gl.color3ub(9, 9, 9);
    const float p[3] = {-0.5f, -0.5f, -2};
    gl.vertex3(p);
    EXPECT_EQ(centre(), 0x00010203u);  // the first 256, in their colour
    EXPECT_EQ(gl.batchedTriangles(), 0);
    EXPECT_EQ(gl.pendingVertices(), 1);
    const float q[3] = {0.5f, -0.5f, -2}, r[3] = {0, 0.5f, -2};
    gl.vertex3(q);
    gl.vertex3(r);
    EXPECT_EQ(gl.batchedTriangles(), 1);
    gl.endPrimitive();
    EXPECT_EQ(centre(), 0x00090909u);
}

TEST_F(SoftRendererDrawing, LeftOverVerticesAreDropped) {
    gl.beginPrimitive(PRIM_TRIANGLES);
    const float a[3] = {-0.5f, -0.5f, -2}, b[3] = {0.5f, -0.5f, -2};
    gl.vertex3(a);
    gl.vertex3(b);
    gl.endPrimitive();
    EXPECT_EQ(painted(), 0);
    EXPECT_EQ(gl.pendingVertices(), 0);
}

TEST_F(SoftRendererDrawing, TriangleAtOrInFrontOfTheNearPlaneIsSkipped) {
    gl.beginPrimitive(PRIM_TRIANGLES);
    // Depths 1, 0.5 and 1: none beyond near (1).
    triangle({-0.5f, -0.5f, -1}, {0.5f, -0.5f, -0.5f}, {0, 0.5f, -1});
    gl.endPrimitive();
    EXPECT_EQ(painted(), 0);
    // One vertex beyond: the part behind the near plane is drawn.
    gl.beginPrimitive(PRIM_TRIANGLES);
    triangle({-0.5f, -0.5f, -1}, {0.5f, -0.5f, -0.5f}, {0, 0.5f, -3});
    gl.endPrimitive();
    EXPECT_GT(painted(), 0);
}

TEST_F(SoftRendererDrawing, CullingModes) {
    struct Case {
        bool culling;
        int mode;
        bool frontDrawn, backDrawn;
    };
    for (const Case& c : {Case{false, FACE_BACK, true, true}, Case{true, FACE_BACK, true, false},
                          Case{true, FACE_FRONT, false, true}}) {
        for (bool front : {true, false}) {
            std::fill(frame.begin(), frame.end(), kBackground);
            c.culling ? gl.enable(CAP_CULL_FACE) : gl.disable(CAP_CULL_FACE);
            gl.setCullFace(c.mode);
            gl.beginPrimitive(PRIM_TRIANGLES);
            front ? frontTriangle() : backTriangle();
            gl.endPrimitive();
            EXPECT_EQ(painted() > 0, front ? c.frontDrawn : c.backDrawn)
                << "culling " << c.culling << " mode " << c.mode << " front " << front;
        }
    }
}

TEST_F(SoftRendererDrawing, TexturedOnlyWithTexturingOnAndAFilledTexture) {
    const std::vector<std::uint32_t> texels(4, 0x00ABCDEFu);
    gl.bindTexture(CAP_TEXTURE_2D, 1);
    gl.texImage2D(21, 0, 22, 2, 2, 0, 23, 24, texels.data());
    gl.color3ub(1, 2, 3);
    auto drawOnce = [&] {
        std::fill(frame.begin(), frame.end(), kBackground);
        gl.beginPrimitive(PRIM_TRIANGLES);
        frontTriangle();
        gl.endPrimitive();
        return centre();
    };
    EXPECT_EQ(drawOnce(), 0x00010203u);  // texturing off
    gl.enable(CAP_TEXTURE_2D);
    EXPECT_EQ(drawOnce(), 0x00ABCDEFu);
    gl.bindTexture(CAP_TEXTURE_2D, 2);  // an empty id
    EXPECT_EQ(drawOnce(), 0x00010203u);
    // The texture is taken when the triangle completes, not at the flush.
    gl.bindTexture(CAP_TEXTURE_2D, 1);
    std::fill(frame.begin(), frame.end(), kBackground);
    gl.beginPrimitive(PRIM_TRIANGLES);
    frontTriangle();
    gl.endPrimitive();
    EXPECT_EQ(centre(), 0x00ABCDEFu);
}

TEST_F(SoftRendererDrawing, ModelViewMovesTheTriangles) {
    gl.translate(10, 0, 0);  // far off to the right
    gl.beginPrimitive(PRIM_TRIANGLES);
    frontTriangle();
    gl.endPrimitive();
    EXPECT_EQ(painted(), 0);
}

TEST_F(SoftRendererDrawing, NothingIsDrawnAfterDestroy) {
    gl.destroy();
    gl.beginPrimitive(PRIM_TRIANGLES);
    frontTriangle();
    gl.endPrimitive();
    EXPECT_EQ(painted(), 0);
}

TEST(SoftRendererRobustness, WildCoordinatesNeverWriteOutsideTheFrame) {
    // The frame sits between two guard zones; triangles with huge, tiny,
    // infinite and NaN coordinates, textured and flat, must only ever paint
    // inside it.
    constexpr int kW = 37, kH = 23, kGuard = 4096;
    constexpr std::uint32_t kGuardValue = 0x5A5A5A5Au;
    std::vector<std::uint32_t> memory(kGuard + kW * kH + kGuard, kGuardValue);
    SoftRenderer gl;
    gl.setViewport(0, 0, kW, kH);
    gl.setOutputBuffer(memory.data() + kGuard);
    gl.setMatrixMode(MODE_PROJECTION);
    gl.frustum(-0.5, 0.5, -0.3, 0.3, 1.0, 500.0);
    gl.setMatrixMode(MODE_MODELVIEW);
    gl.enable(CAP_TEXTURE_2D);
    gl.enable(CAP_LIGHTING);
    gl.enable(CAP_LIGHT0);
    const std::vector<std::uint32_t> texels(1024 * 2, 0x00112233u);
    gl.bindTexture(CAP_TEXTURE_2D, 1);
    gl.texImage2D(21, 0, 22, 1024, 2, 0, 23, 24, texels.data());
    const float specials[] = {0.0f,  -0.0f, 1.0f,   -1.0f,   1e-30f, 1e30f,    -1e30f,
                              3e38f, 1e-7f, 0.999f, 1.001f,  -4.0f,  INFINITY, -INFINITY,
                              NAN,   2e9f,  -2e9f,  123.25f, -77.5f, 0.5f,     -0.25f};
    std::mt19937 random(2024);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(specials) - 1);
    std::uniform_real_distribution<float> ordinary(-6.0f, 6.0f);
    auto value = [&] { return random() % 3 == 0 ? specials[pick(random)] : ordinary(random); };
    for (int round = 0; round < 400; ++round) {
        gl.bindTexture(CAP_TEXTURE_2D, round % 2);
        gl.beginPrimitive(PRIM_TRIANGLES);
        for (int v = 0; v < 30; ++v) {
            gl.texCoord2(value(), value());
            const float p[3] = {value(), value(), -std::abs(value())};
            gl.vertex3(p);
        }
        gl.endPrimitive();
    }
    EXPECT_LT(std::count(memory.begin() + kGuard, memory.end() - kGuard, kGuardValue), kW * kH / 2);
    for (int i = 0; i < kGuard; ++i) {
        ASSERT_EQ(memory[i], kGuardValue) << "before the frame, " << kGuard - i;
        ASSERT_EQ(memory[kGuard + kW * kH + i], kGuardValue) << "after the frame, " << i;
    }
}

}  // namespace
}  // namespace render3d
