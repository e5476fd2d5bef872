#include "render3d/SceneMesh.h"

#include <new>

namespace render3d {
namespace {

// Both triangles of every box face list its corners as A, C, D and then
// D, B, A (see the table in SceneMesh.h).
MeshDesc& setBoxFace(MeshDesc& box, int firstTriangle, ConstImageView texture, TexCoord a,
                     TexCoord b, TexCoord c, TexCoord d) {
    if (box.triangleCount() != 12) {
        return box;
    }
    const std::array<std::array<TexCoord, 3>, 2> corners{{{a, c, d}, {d, b, a}}};
    for (int k = 0; k < 2; ++k) {
        MeshTriangle& triangle = box.triangles[firstTriangle + k];
        triangle.surface = Surface::Textured;
        triangle.texture = texture;
        for (int i = 0; i < 3; ++i) {
            triangle.vertices[i].u = corners[k][i].u;
            triangle.vertices[i].v = corners[k][i].v;
        }
    }
    return box;
}

}  // namespace

MeshTriangle& setMeshTriangle(MeshTriangle& triangle, Surface surface, ConstImageView texture,
                              const MeshVertex& v0, const MeshVertex& v1, const MeshVertex& v2,
                              int red, int green, int blue) {
    triangle.vertices = {v0, v1, v2};
    triangle.surface = surface;
    triangle.texture = texture;
    triangle.red = red;
    triangle.green = green;
    triangle.blue = blue;
    return triangle;
}

std::unique_ptr<MeshDesc> makeBox(float z0, float z1, float y0, float y1, float x0, float x1,
                                  int red, int green, int blue) {
    struct Corner {
        float x, y, z;
    };
    const Corner table[12][3] = {
        {{x1, y0, z0}, {x1, y1, z0}, {x0, y1, z0}}, {{x0, y1, z0}, {x0, y0, z0}, {x1, y0, z0}},
        {{x0, y0, z1}, {x0, y1, z1}, {x1, y1, z1}}, {{x1, y1, z1}, {x1, y0, z1}, {x0, y0, z1}},
        {{x1, y0, z1}, {x1, y0, z0}, {x0, y0, z0}}, {{x0, y0, z0}, {x0, y0, z1}, {x1, y0, z1}},
        {{x1, y1, z0}, {x1, y1, z1}, {x0, y1, z1}}, {{x0, y1, z1}, {x0, y1, z0}, {x1, y1, z0}},
        {{x1, y0, z1}, {x1, y1, z1}, {x1, y1, z0}}, {{x1, y1, z0}, {x1, y0, z0}, {x1, y0, z1}},
        {{x0, y0, z0}, {x0, y1, z0}, {x0, y1, z1}}, {{x0, y1, z1}, {x0, y0, z1}, {x0, y0, z0}},
    };
    std::unique_ptr<MeshDesc> box(new (std::nothrow) MeshDesc);
    if (!box) {
        return nullptr;
    }
    try {
        box->triangles.resize(12);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    auto vertex = [](const Corner& c) { return MeshVertex{c.x, c.y, c.z, 0.0f, 0.0f}; };
    for (int i = 0; i < 12; ++i) {
        setMeshTriangle(box->triangles[i], Surface::Plain, {}, vertex(table[i][0]),
                        vertex(table[i][1]), vertex(table[i][2]), red, green, blue);
    }
    return box;
}

MeshDesc& setBoxFaceZ0(MeshDesc& box, ConstImageView texture, TexCoord a, TexCoord b, TexCoord c,
                       TexCoord d) {
    return setBoxFace(box, 0, texture, a, b, c, d);
}

MeshDesc& setBoxFaceZ1(MeshDesc& box, ConstImageView texture, TexCoord a, TexCoord b, TexCoord c,
                       TexCoord d) {
    return setBoxFace(box, 2, texture, a, b, c, d);
}

MeshDesc& setBoxFaceX0(MeshDesc& box, ConstImageView texture, TexCoord a, TexCoord b, TexCoord c,
                       TexCoord d) {
    return setBoxFace(box, 10, texture, a, b, c, d);
}

}  // namespace render3d
