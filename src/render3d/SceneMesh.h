#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "render3d/ImageView.h"

namespace render3d {

// One vertex of a mesh a transition builds: position in the piece's model
// space and texture coordinates in 0..1 (u selects the texel column, v the
// texel row; rows are bottom-up, so v = 0 is the bottom of the picture).
struct MeshVertex {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    float u = 0.0f, v = 0.0f;
};

enum class Surface { Plain, Textured };

// One triangle of a mesh: textured with the caller's pixels (a power of two
// from 1 to 1024 on each side; read, never copied, for as long as the scene
// lives) or plain in its colour (only the low byte of each component
// counts). Plain triangles are lit; textured ones show their texels as they
// are.
struct MeshTriangle {
    std::array<MeshVertex, 3> vertices{};
    Surface surface = Surface::Plain;
    ConstImageView texture;
    int red = 0, green = 0, blue = 0;
};

// A piece as a transition describes it before adding it to the scene.
// Vertices belong to their triangles: triangle i uses vertices 3i..3i + 2.
struct MeshDesc {
    std::vector<MeshTriangle> triangles;

    int triangleCount() const { return static_cast<int>(triangles.size()); }
    int vertexCount() const { return 3 * triangleCount(); }
};

// A texture coordinate pair of a face corner.
struct TexCoord {
    float u = 0.0f, v = 0.0f;
};

// Stores the arguments into the fields of one triangle; returns it.
MeshTriangle& setMeshTriangle(MeshTriangle& triangle, Surface surface, ConstImageView texture,
                              const MeshVertex& v0, const MeshVertex& v1, const MeshVertex& v2,
                              int red, int green, int blue);

// A box of twelve plain triangles in the given colour, two per face, with
// every texture coordinate (0, 0). The arguments come z first: the faces at
// z0 and z1 are the ones the transitions texture. Null when memory is short;
// the caller frees it by dropping the pointer once the scene has it.
//
//   #   vertex 0       vertex 1       vertex 2
//   0   (x1, y0, z0)   (x1, y1, z0)   (x0, y1, z0)     face z0
//   1   (x0, y1, z0)   (x0, y0, z0)   (x1, y0, z0)
//   2   (x0, y0, z1)   (x0, y1, z1)   (x1, y1, z1)     face z1
//   3   (x1, y1, z1)   (x1, y0, z1)   (x0, y0, z1)
//   4   (x1, y0, z1)   (x1, y0, z0)   (x0, y0, z0)     face y0
//   5   (x0, y0, z0)   (x0, y0, z1)   (x1, y0, z1)
//   6   (x1, y1, z0)   (x1, y1, z1)   (x0, y1, z1)     face y1
//   7   (x0, y1, z1)   (x0, y1, z0)   (x1, y1, z0)
//   8   (x1, y0, z1)   (x1, y1, z1)   (x1, y1, z0)     face x1
//   9   (x1, y1, z0)   (x1, y0, z0)   (x1, y0, z1)
//   10  (x0, y0, z0)   (x0, y1, z0)   (x0, y1, z1)     face x0
//   11  (x0, y1, z1)   (x0, y0, z1)   (x0, y0, z0)
std::unique_ptr<MeshDesc> makeBox(float z0, float z1, float y0, float y1, float x0, float x1,
                                  int red, int green, int blue);

// Texture one face of a box: both of its triangles become textured with the
// given picture, and each vertex takes the coordinates given for its
// corner. A mesh without exactly twelve triangles is left unchanged.
//   face z0 (triangles 0, 1):  A (x1, y0), B (x0, y0), C (x1, y1), D (x0, y1)
//   face z1 (triangles 2, 3):  A (x0, y0), B (x1, y0), C (x0, y1), D (x1, y1)
//   face x0 (triangles 10, 11): A (y0, z0), B (y0, z1), C (y1, z0), D (y1, z1)
MeshDesc& setBoxFaceZ0(MeshDesc& box, ConstImageView texture, TexCoord a, TexCoord b, TexCoord c,
                       TexCoord d);
MeshDesc& setBoxFaceZ1(MeshDesc& box, ConstImageView texture, TexCoord a, TexCoord b, TexCoord c,
                       TexCoord d);
MeshDesc& setBoxFaceX0(MeshDesc& box, ConstImageView texture, TexCoord a, TexCoord b, TexCoord c,
                       TexCoord d);

}  // namespace render3d
