#include "render3d/TransitionScene.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <limits>
#include <new>

#include "render3d/SoftRenderer.h"

namespace render3d {

TransitionScene::TransitionScene()
    : TransitionScene([]() -> std::unique_ptr<GraphicsApi> { return SoftRenderer::create(); }) {}

TransitionScene::TransitionScene(ContextFactory factory) : factory_(std::move(factory)) {}

TransitionScene::~TransitionScene() {
    close();
}

bool TransitionScene::open(ImageView output) {
    // Rounding and exception masks as the process started with them: the
    // truncations of the rasteriser rely on the default rounding.
    std::fesetenv(FE_DFL_ENV);
    textureCache_.fill(nullptr);
    if (output.pixels == nullptr || output.width <= 0 || output.height <= 0) {
        close();
        return false;
    }
    if (!context_) {
        try {
            context_ = factory_ ? factory_() : nullptr;
        } catch (const std::bad_alloc&) {
            context_ = nullptr;
        }
        if (!context_) {
            close();
            return false;
        }
    }
    reset();
    GraphicsApi& gl = *context_;
    gl.setViewport(0, 0, output.width, output.height);
    gl.setOutputBuffer(output.pixels);
    gl.enable(CAP_TEXTURE_2D);
    gl.enable(CAP_CULL_FACE);
    gl.setCullFace(FACE_FRONT);
    gl.disable(CAP_DEPTH_TEST);
    gl.setShadeMode(0);
    gl.enable(CAP_LIGHTING);
    gl.enable(CAP_LIGHT0);
    const float ambient[4] = {0.3f, 0.3f, 0.3f, 1.0f};
    const float diffuse[4] = {0.4f, 0.4f, 0.4f, 1.0f};
    const float specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    const float position[4] = {0.0f, -0.5f, 1.0f, 0.0f};
    gl.setLight(CAP_LIGHT0, LIGHT_AMBIENT, ambient);
    gl.setLight(CAP_LIGHT0, LIGHT_DIFFUSE, diffuse);
    gl.setLight(CAP_LIGHT0, LIGHT_SPECULAR, specular);
    gl.setLight(CAP_LIGHT0, LIGHT_POSITION, position);
    gl.setMatrixMode(MODE_PROJECTION);
    gl.loadIdentity();
    const double r = static_cast<double>(output.height) / output.width;
    gl.frustum(-0.5, 0.5, -0.5 * r, 0.5 * r, 1.0, 500.0);
    return true;
}

void TransitionScene::close() {
    freeObjects();
    if (context_) {
        context_->destroy();
        context_.reset();
    }
}

void TransitionScene::setCulling(FaceCulling culling) {
    if (!context_) {
        return;
    }
    if (culling == FaceCulling::Off) {
        context_->disable(CAP_CULL_FACE);
    } else {
        context_->enable(CAP_CULL_FACE);
    }
}

void TransitionScene::reset() {
    if (objectsPresent_) {
        freeObjects();
    }
    objects_.clear();
    triangleTotal_ = 1;
    drawList_ = {};
    drawListAllocated_ = false;
    objectsPresent_ = true;
}

void TransitionScene::freeObjects() {
    if (context_) {
        for (const SceneObject& object : objects_) {
            for (const SceneTriangle& triangle : object.triangles) {
                // Shared ids come round more than once; deleting a free id
                // is ignored by the context.
                if (triangle.textureId != 0) {
                    context_->deleteTextures(1, &triangle.textureId);
                }
            }
        }
    }
    objects_ = {};
    drawList_ = {};
    drawListAllocated_ = false;
    objectsPresent_ = false;
    // The ids just deleted may be handed out again for other pictures; a
    // cache entry must not outlive its id.
    textureCache_.fill(nullptr);
}

int TransitionScene::textureIdFor(const MeshTriangle& triangle) {
    const std::uint32_t* pixels = triangle.texture.pixels;
    const auto cached = std::find(textureCache_.begin(), textureCache_.end(), pixels);
    if (cached != textureCache_.end() && cached != textureCache_.begin()) {
        return static_cast<int>(cached - textureCache_.begin());
    }
    int id = 0;
    context_->genTextures(1, &id);
    if (id == 0) {
        // Every id is taken: drawn in its plain colour. Binding id 0 here
        // would texture every plain triangle instead.
        return 0;
    }
    context_->bindTexture(CAP_TEXTURE_2D, id);
    context_->texImage2D(CAP_TEXTURE_2D, 0, TEX_INTERNAL_RGBA, triangle.texture.width,
                         triangle.texture.height, 0, TEX_FORMAT_BGRA, TEX_TYPE_UBYTE, pixels);
    if (id < kTextureCacheSize) {
        textureCache_[id] = pixels;
    }
    return id;
}

int TransitionScene::addMesh(const MeshDesc& mesh) {
    if (objectCount() >= kMaxObjects || !context_) {
        return 0;
    }
    const int triangleCount = mesh.triangleCount();
    if (triangleCount == 0) {
        return 0;
    }
    SceneObject object;
    try {
        object.triangles.resize(triangleCount);
        object.vertices.resize(mesh.vertexCount());
        objects_.reserve(kMaxObjects);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    for (int i = 0; i < triangleCount; ++i) {
        const MeshTriangle& source = mesh.triangles[i];
        SceneTriangle& triangle = object.triangles[i];
        const bool textured = source.surface == Surface::Textured;
        triangle.textureId = textured ? textureIdFor(source) : 0;
        triangle.colour.blue = static_cast<std::uint8_t>(source.blue);
        triangle.colour.green = static_cast<std::uint8_t>(source.green);
        triangle.colour.red = static_cast<std::uint8_t>(source.red);
        for (int k = 0; k < 3; ++k) {
            const MeshVertex& from = source.vertices[k];
            SceneVertex& to = object.vertices[3 * i + k];
            to.model = {from.x, from.y, from.z};
            if (textured) {
                const float w = static_cast<float>(source.texture.width);
                const float h = static_cast<float>(source.texture.height);
                to.u = (w - 1.0f) * from.u / w;
                to.v = (h - 1.0f) * from.v / h;
            } else {
                to.u = 0.0f;
                to.v = 0.0f;
            }
            triangle.vertices[k] = &to;
        }
        const Vec3 p0 = object.vertices[3 * i].model;
        const Vec3 p1 = object.vertices[3 * i + 1].model;
        const Vec3 p2 = object.vertices[3 * i + 2].model;
        const Vec3 n = cross(p1 - p0, p2 - p1);
        const float lengthSquared = dot(n, n);
        const float length = std::sqrt(lengthSquared);
        triangle.normal =
            (lengthSquared == 0.0f || !(length > 0.0001f)) ? Vec3{0.0f, 0.0f, 1.0f} : n / length;
    }
    // Moving the object keeps its arrays where they are, so the triangles'
    // vertex pointers stay valid.
    objects_.push_back(std::move(object));
    triangleTotal_ += triangleCount;
    return objectCount();
}

SceneObject* TransitionScene::find(int number) {
    if (number < 1 || number > objectCount()) {
        return nullptr;
    }
    return &objects_[number - 1];
}

void TransitionScene::resetTransform(int object) {
    if (SceneObject* o = find(object); o != nullptr && !o->transform.isIdentity()) {
        o->transform.setIdentity();
    }
}

void TransitionScene::translate(int object, float x, float y, float z) {
    if (SceneObject* o = find(object)) {
        o->transform = o->transform * Matrix4::translation(x, y, z);
    }
}

void TransitionScene::rotate(int object, float angle, float x, float y, float z) {
    if (SceneObject* o = find(object)) {
        o->transform = o->transform * Matrix4::rotation(angle, x, y, z);
    }
}

void TransitionScene::transformVertices() {
    for (SceneObject& object : objects_) {
        for (SceneVertex& vertex : object.vertices) {
            vertex.transformed = object.transform.transformPoint(vertex.model);
        }
    }
}

void TransitionScene::buildDrawList() {
    if (!context_) {
        return;
    }
    if (!drawListAllocated_) {
        try {
            drawList_.reserve(static_cast<std::size_t>(triangleTotal_));
        } catch (const std::bad_alloc&) {
            return;
        }
        drawListAllocated_ = true;
    }
    drawList_.clear();
    for (SceneObject& object : objects_) {
        for (SceneTriangle& triangle : object.triangles) {
            const float z0 = triangle.vertices[0]->transformed.z;
            const float z1 = triangle.vertices[1]->transformed.z;
            const float z2 = triangle.vertices[2]->transformed.z;
            triangle.minZ = std::min({z0, z1, z2});
            triangle.maxZ = std::max({z0, z1, z2});
            try {
                drawList_.push_back(&triangle);
            } catch (const std::bad_alloc&) {
                return;
            }
        }
    }
}

int TransitionScene::compareDrawOrder(const SceneTriangle& p, const SceneTriangle& q) {
    if (p.minZ >= q.maxZ) {
        return 1;
    }
    if (p.maxZ > q.minZ) {
        const float pMid = p.minZ + p.maxZ;
        const float qMid = q.minZ + q.maxZ;
        return pMid > qMid ? 1 : (pMid == qMid ? 0 : -1);
    }
    return -1;
}

void TransitionScene::sortDrawList() {
    // compareDrawOrder agrees with ordering by minZ + maxZ wherever it is
    // consistent: a range entirely behind another also has the smaller
    // sum. Sorting by that sum is therefore the same order, and unlike the
    // pairwise rule it is a strict weak ordering even for NaN depths (put
    // first) and for ranges that are one shared point, for which the rule
    // answers "after" both ways. Equal sums keep their submission order.
    auto key = [](const SceneTriangle* t) {
        const float sum = t->minZ + t->maxZ;
        return std::isnan(sum) ? -std::numeric_limits<float>::infinity() : sum;
    };
    std::stable_sort(
        drawList_.begin(), drawList_.end(),
        [&key](const SceneTriangle* a, const SceneTriangle* b) { return key(a) < key(b); });
}

void TransitionScene::draw() {
    if (!context_) {
        return;
    }
    GraphicsApi& gl = *context_;
    gl.setMatrixMode(MODE_MODELVIEW);
    gl.loadIdentity();
    gl.translate(0.0, 0.0, -kViewDistance);
    gl.bindTexture(CAP_TEXTURE_2D, 0);
    gl.beginPrimitive(PRIM_TRIANGLES);
    int currentId = 0;
    for (const SceneTriangle* triangle : drawList_) {
        if (triangle->textureId != currentId) {
            gl.endPrimitive();
            gl.bindTexture(CAP_TEXTURE_2D, triangle->textureId);
            gl.beginPrimitive(PRIM_TRIANGLES);
            currentId = triangle->textureId;
        }
        gl.color3ub(triangle->colour.red, triangle->colour.green, triangle->colour.blue);
        const float normal[3] = {triangle->normal.x, triangle->normal.y, triangle->normal.z};
        gl.normal3(normal);
        for (const SceneVertex* vertex : triangle->vertices) {
            gl.texCoord2(vertex->u, vertex->v);
            const float position[3] = {vertex->transformed.x, vertex->transformed.y,
                                       vertex->transformed.z};
            gl.vertex3(position);
        }
    }
    gl.endPrimitive();
}

void TransitionScene::renderFrame() {
    transformVertices();
    buildDrawList();
    sortDrawList();
    draw();
}

}  // namespace render3d
