#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "render3d/SceneMesh.h"

namespace render3d {
namespace {

struct Corner {
    float x, y, z;
    bool operator==(const Corner&) const = default;
};

Corner at(const MeshVertex& v) {
    return {v.x, v.y, v.z};
}

TEST(MakeBox, TwelvePlainTrianglesTwoPerFaceInTheFixedOrder) {
    // Distinct coordinates so that every corner is recognisable.
    const float z0 = 1, z1 = -1, y0 = -3, y1 = 3, x0 = 5, x1 = -5;
    const std::unique_ptr<MeshDesc> box = makeBox(z0, z1, y0, y1, x0, x1, 120, 121, 122);
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(box->triangleCount(), 12);
    EXPECT_EQ(box->vertexCount(), 36);
    const Corner expected[12][3] = {
        {{x1, y0, z0}, {x1, y1, z0}, {x0, y1, z0}}, {{x0, y1, z0}, {x0, y0, z0}, {x1, y0, z0}},
        {{x0, y0, z1}, {x0, y1, z1}, {x1, y1, z1}}, {{x1, y1, z1}, {x1, y0, z1}, {x0, y0, z1}},
        {{x1, y0, z1}, {x1, y0, z0}, {x0, y0, z0}}, {{x0, y0, z0}, {x0, y0, z1}, {x1, y0, z1}},
        {{x1, y1, z0}, {x1, y1, z1}, {x0, y1, z1}}, {{x0, y1, z1}, {x0, y1, z0}, {x1, y1, z0}},
        {{x1, y0, z1}, {x1, y1, z1}, {x1, y1, z0}}, {{x1, y1, z0}, {x1, y0, z0}, {x1, y0, z1}},
        {{x0, y0, z0}, {x0, y1, z0}, {x0, y1, z1}}, {{x0, y1, z1}, {x0, y0, z1}, {x0, y0, z0}},
    };
    for (int i = 0; i < 12; ++i) {
        const MeshTriangle& t = box->triangles[i];
        EXPECT_EQ(t.surface, Surface::Plain) << i;
        EXPECT_EQ(t.texture.pixels, nullptr) << i;
        EXPECT_EQ(t.red, 120);
        EXPECT_EQ(t.green, 121);
        EXPECT_EQ(t.blue, 122);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(at(t.vertices[k]), expected[i][k]) << "triangle " << i << " vertex " << k;
            EXPECT_EQ(t.vertices[k].u, 0.0f);
            EXPECT_EQ(t.vertices[k].v, 0.0f);
        }
    }
}

struct FaceCase {
    const char* name;
    MeshDesc& (*setter)(MeshDesc&, ConstImageView, TexCoord, TexCoord, TexCoord, TexCoord);
    int firstTriangle;
    // Which of the corners A, B, C, D each of the six vertices is.
    char corners[2][3];
};

TEST(BoxFaceSetters, TextureTheirTwoTrianglesCornerByCorner) {
    const FaceCase cases[] = {
        {"z0", setBoxFaceZ0, 0, {{'A', 'C', 'D'}, {'D', 'B', 'A'}}},
        {"z1", setBoxFaceZ1, 2, {{'A', 'C', 'D'}, {'D', 'B', 'A'}}},
        {"x0", setBoxFaceX0, 10, {{'A', 'C', 'D'}, {'D', 'B', 'A'}}},
    };
    const std::vector<std::uint32_t> pixels(8 * 4);
    const TexCoord a{0.1f, 0.2f}, b{0.3f, 0.4f}, c{0.5f, 0.6f}, d{0.7f, 0.8f};
    auto coord = [&](char corner) {
        return corner == 'A' ? a : corner == 'B' ? b : corner == 'C' ? c : d;
    };
    for (const FaceCase& fc : cases) {
        SCOPED_TRACE(fc.name);
        std::unique_ptr<MeshDesc> box = makeBox(1, -1, -1, 1, 1, -1, 7, 8, 9);
        const MeshDesc before = *box;
        MeshDesc& result = fc.setter(*box, {pixels.data(), 8, 4}, a, b, c, d);
        EXPECT_EQ(&result, box.get());
        for (int i = 0; i < 12; ++i) {
            const MeshTriangle& t = box->triangles[i];
            const int k = i - fc.firstTriangle;
            if (k != 0 && k != 1) {
                EXPECT_EQ(t.surface, Surface::Plain) << i;
                continue;
            }
            EXPECT_EQ(t.surface, Surface::Textured);
            EXPECT_EQ(t.texture.pixels, pixels.data());
            EXPECT_EQ(t.texture.width, 8);
            EXPECT_EQ(t.texture.height, 4);
            EXPECT_EQ(t.red, 7);  // the colour stays
            for (int v = 0; v < 3; ++v) {
                EXPECT_EQ(t.vertices[v].u, coord(fc.corners[k][v]).u) << i << "/" << v;
                EXPECT_EQ(t.vertices[v].v, coord(fc.corners[k][v]).v) << i << "/" << v;
                EXPECT_EQ(at(t.vertices[v]), at(before.triangles[i].vertices[v]));
            }
        }
    }
}

TEST(BoxFaceSetters, CornerLettersNameTheseBoxCorners) {
    // Face z0: A (x1, y0), B (x0, y0), C (x1, y1), D (x0, y1).
    std::unique_ptr<MeshDesc> box = makeBox(1, -1, -3, 3, 5, -5, 0, 0, 0);
    setBoxFaceZ0(*box, {}, {0, 0}, {1, 0}, {0, 1}, {1, 1});
    for (int i = 0; i < 2; ++i) {
        for (const MeshVertex& v : box->triangles[i].vertices) {
            EXPECT_EQ(v.u, v.x == 5.0f ? 1.0f : 0.0f);  // x0 = 5 is corner B or D
            EXPECT_EQ(v.v, v.y == 3.0f ? 1.0f : 0.0f);
        }
    }
    // Face x0: A (y0, z0), B (y0, z1), C (y1, z0), D (y1, z1).
    setBoxFaceX0(*box, {}, {0, 0}, {1, 0}, {0, 1}, {1, 1});
    for (int i = 10; i < 12; ++i) {
        for (const MeshVertex& v : box->triangles[i].vertices) {
            EXPECT_EQ(v.u, v.z == -1.0f ? 1.0f : 0.0f);
            EXPECT_EQ(v.v, v.y == 3.0f ? 1.0f : 0.0f);
        }
    }
}

TEST(BoxFaceSetters, LeaveAMeshWithoutTwelveTrianglesUnchanged) {
    const std::vector<std::uint32_t> pixels(4);
    for (int count : {0, 2, 11, 13}) {
        MeshDesc mesh;
        mesh.triangles.resize(count);
        setBoxFaceZ0(mesh, {pixels.data(), 2, 2}, {1, 1}, {1, 1}, {1, 1}, {1, 1});
        setBoxFaceZ1(mesh, {pixels.data(), 2, 2}, {1, 1}, {1, 1}, {1, 1}, {1, 1});
        setBoxFaceX0(mesh, {pixels.data(), 2, 2}, {1, 1}, {1, 1}, {1, 1}, {1, 1});
        for (const MeshTriangle& t : mesh.triangles) {
            EXPECT_EQ(t.surface, Surface::Plain) << count;
            EXPECT_EQ(t.texture.pixels, nullptr);
            EXPECT_EQ(t.vertices[0].u, 0.0f);
        }
    }
}

TEST(SetMeshTriangle, StoresEveryArgument) {
    const std::vector<std::uint32_t> pixels(16);
    MeshTriangle t;
    MeshTriangle& result =
        setMeshTriangle(t, Surface::Textured, {pixels.data(), 4, 4}, {1, 2, 3, 0.1f, 0.2f},
                        {4, 5, 6, 0.3f, 0.4f}, {7, 8, 9, 0.5f, 0.6f}, 300, 20, 30);
    EXPECT_EQ(&result, &t);
    EXPECT_EQ(t.surface, Surface::Textured);
    EXPECT_EQ(t.texture.pixels, pixels.data());
    EXPECT_EQ(t.texture.width, 4);
    EXPECT_EQ(t.vertices[1].y, 5.0f);
    EXPECT_EQ(t.vertices[2].v, 0.6f);
    EXPECT_EQ(t.red, 300);  // stored as given; the scene uses the low byte
    EXPECT_EQ(t.blue, 30);
}

}  // namespace
}  // namespace render3d
