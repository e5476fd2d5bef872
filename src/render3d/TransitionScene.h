#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "render3d/GraphicsApi.h"
#include "render3d/ImageView.h"
#include "render3d/Matrix4.h"
#include "render3d/RenderBatch.h"
#include "render3d/SceneMesh.h"

namespace render3d {

struct SceneVertex {
    Vec3 model;
    Vec3 transformed;  // filled by transformVertices
    // Texture coordinates, pulled in by (size - 1) / size so that 1 names
    // the last texel rather than wrapping to the first.
    float u = 0.0f, v = 0.0f;
};

struct SceneTriangle {
    ColourBytes colour;
    std::array<const SceneVertex*, 3> vertices{};  // 3i, 3i + 1, 3i + 2 of its object
    float minZ = 0.0f, maxZ = 0.0f;  // of the transformed vertices; filled by buildDrawList
    Vec3 normal;                     // unit face normal of the model positions
    int textureId = 0;               // 0: plain colour
};

// One piece: its pose (model space to scene space) and its geometry.
struct SceneObject {
    Matrix4 transform = Matrix4::zero();
    std::vector<SceneVertex> vertices;
    std::vector<SceneTriangle> triangles;
};

enum class FaceCulling { On, Off };

// The retained scene of the 3D transitions. A transition opens it on its
// output frame, adds its pieces as meshes, and on every frame re-poses each
// piece (resetTransform, translate, rotate) and has it drawn back to front
// (renderFrame). The scene never clears the frame: the transition paints the
// background first. Painting order, not a depth buffer, decides what is seen.
//
// Scene space: y grows upward and z toward the viewer. The camera looks
// along -z with a horizontal field of one unit at distance one (near plane
// 1, far 500) and the scene origin is drawn kViewDistance in front of it, so
// a picture of aspect a = width / height spanning x = -2..2 and
// y = -2/a..2/a at z = 0 exactly fills the output.
//
// A transition's life: at its start, resampleImage its pictures into
// power-of-two textures it keeps, open(), build meshes (makeBox and the face
// setters, or setMeshTriangle) and addMesh each; per frame, paint the
// background, pose every object, renderFrame(); at its end, close().
//
// One transition uses a scene at a time, on the thread that renders its
// frames; there is no lock. Object numbers run from 1 in the order of adding;
// an operation on a number outside 1..objectCount() does nothing.
class TransitionScene {
  public:
    static constexpr int kMaxObjects = 400;
    static constexpr int kTextureCacheSize = 16;
    static constexpr float kViewDistance = 4.0f;

    using ContextFactory = std::function<std::unique_ptr<GraphicsApi>()>;

    // Draws with a SoftRenderer.
    TransitionScene();
    // Draws with whatever the factory makes (tests record the calls); a
    // factory that returns null makes open() fail.
    explicit TransitionScene(ContextFactory factory);
    ~TransitionScene();
    TransitionScene(const TransitionScene&) = delete;
    TransitionScene& operator=(const TransitionScene&) = delete;

    // Creates the rendering context if there is none, empties the scene and
    // sets the context up for the output: viewport and buffer, texturing,
    // culling of front faces, no depth test, flat shading, one grey
    // directional light from just below the viewer, and the camera. False
    // (and the scene closed) when the context cannot be created or the
    // output is empty; opening an open scene keeps its context.
    bool open(ImageView output);
    // Frees the objects and destroys the context.
    void close();
    bool isOpen() const { return context_ != nullptr; }

    // FaceCulling::Off draws both sides of every triangle.
    void setCulling(FaceCulling culling);

    // Frees the objects (if any) and starts an empty scene.
    void reset();
    // Releases every object, its textures and the draw list.
    void freeObjects();

    // Adds a piece: its triangles, textures (one per distinct pixel pointer,
    // shared through the cache) and face normals. The mesh may be freed
    // afterwards; its pixels may not. Returns the new object's number, or 0
    // when the scene is closed or full, the mesh is empty or memory is short.
    // Add every piece before the first frame. The new object's transform is
    // all zeros: reset it before drawing.
    int addMesh(const MeshDesc& mesh);

    // The pose. Factors multiply on the right, so the factor added last acts
    // on the vertices first: reset, translate, rotate turns a piece about
    // its model origin and then moves it.
    void resetTransform(int object);
    void translate(int object, float x, float y, float z);
    // Angle in radians about the axis (x, y, z), which must not be zero.
    void rotate(int object, float angle, float x, float y, float z);

    // The four steps of a frame, in this order.
    void transformVertices();
    void buildDrawList();
    void sortDrawList();
    void draw();
    // transformVertices, buildDrawList, sortDrawList, draw.
    void renderFrame();

    // Back-to-front order of two triangles by their z ranges: negative when
    // p is drawn before q. Ranges that do not overlap order by position;
    // overlapping ones by their midpoints.
    static int compareDrawOrder(const SceneTriangle& p, const SceneTriangle& q);

    int objectCount() const { return static_cast<int>(objects_.size()); }
    // Object `number` (1-based); the number must be in range.
    const SceneObject& object(int number) const { return objects_[number - 1]; }
    const std::vector<SceneTriangle*>& drawList() const { return drawList_; }
    GraphicsApi* context() const { return context_.get(); }

  private:
    SceneObject* find(int number);
    int textureIdFor(const MeshTriangle& triangle);

    ContextFactory factory_;
    std::unique_ptr<GraphicsApi> context_;
    std::vector<SceneObject> objects_;
    int triangleTotal_ = 1;  // running total, starts at 1
    std::vector<SceneTriangle*> drawList_;
    bool drawListAllocated_ = false;
    bool objectsPresent_ = false;
    std::array<const std::uint32_t*, kTextureCacheSize> textureCache_{};
};

}  // namespace render3d
