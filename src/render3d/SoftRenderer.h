#pragma once

#include <array>
#include <cstdint>
#include <list>
#include <memory>

#include "render3d/GraphicsApi.h"
#include "render3d/Matrix4.h"
#include "render3d/Rasterizer.h"
#include "render3d/RenderBatch.h"

namespace render3d {

// The view volume given by frustum().
struct ProjectionVolume {
    double left = -1.0, right = 1.0, bottom = -1.0, top = 1.0, nearPlane = 1.0, farPlane = 10.0;
};

// The software implementation of the rendering interface. It keeps the
// state (capabilities, colour, normal, texture coordinates, model-view
// matrix, projection volume, lights, textures), batches submitted vertices
// into up to 256 triangles and on every flush transforms, culls, clips and
// fills them through its Rasterizer into the colour buffer.
//
// Errors are recorded, never returned: every operation except destroy,
// color3ub, texCoord2, normal3, vertex3, endPrimitive and flushBatch first
// refuses with ERR_INVALID_OPERATION while a primitive is open, otherwise
// records ERR_NONE and then possibly another code. A refused call has no
// other effect.
//
// One thread at a time; the transition scene owns the context.
class SoftRenderer final : public GraphicsApi {
  public:
    static constexpr int kBatchTriangles = 256;
    static constexpr int kTextureIds = 64;  // ids 0..63; genTextures hands out 1..63
    static constexpr int kMaxTextureSize = 1024;

    // An owned 256 x 256 colour buffer and a rasteriser configured for it.
    SoftRenderer();
    ~SoftRenderer() override;
    SoftRenderer(const SoftRenderer&) = delete;
    SoftRenderer& operator=(const SoftRenderer&) = delete;

    // Creates a context, or null when memory is short.
    static std::unique_ptr<SoftRenderer> create();

    void destroy() override;
    void setShadeMode(int mode) override;
    void enable(int capability) override;
    void disable(int capability) override;
    void setViewport(int x, int y, int width, int height) override;
    void getInteger(int query, int* results) override;
    void setLight(int light, int parameter, const float* values) override;
    void genTextures(int count, int* ids) override;
    void deleteTextures(int count, const int* ids) override;
    void bindTexture(int target, int id) override;
    void texImage2D(int target, int level, int internalFormat, int width, int height, int border,
                    int format, int type, const void* pixels) override;
    void setCullFace(int mode) override;
    void setMatrixMode(int mode) override;
    void loadIdentity() override;
    void translate(double x, double y, double z) override;
    void color3ub(std::uint8_t red, std::uint8_t green, std::uint8_t blue) override;
    void texCoord2(double s, double t) override;
    void beginPrimitive(int mode) override;
    void normal3(const float* normal) override;
    void vertex3(const float* position) override;
    void endPrimitive() override;
    void frustum(double left, double right, double bottom, double top, double nearPlane,
                 double farPlane) override;
    void setOutputBuffer(std::uint32_t* pixels) override;
    void flushBatch() override;

    // Read-only views of the state, for tests and diagnostics.
    int error() const { return error_; }
    int boundTexture() const { return boundTexture_; }
    const TextureImage* texture(int id) const;
    int textureCount() const { return static_cast<int>(textures_.size()); }
    const Matrix4& modelView() const { return modelView_; }
    const ProjectionVolume& volume() const { return volume_; }
    bool perspective() const { return perspective_; }
    bool primitiveOpen() const { return primitiveOpen_; }
    int batchedTriangles() const { return triangleCount_; }
    int pendingVertices() const { return nextVertex_; }
    std::uint32_t currentColour() const { return colour_; }
    bool capability(int code) const;
    int cullFace() const { return cullFace_; }
    int matrixMode() const { return matrixMode_; }
    int shadeMode() const { return shadeMode_; }
    std::uint32_t* colourBuffer() const { return buffer_; }
    bool ownsColourBuffer() const { return ownedBuffer_ != nullptr; }
    const Rasterizer& rasterizer() const { return rasterizer_; }

  private:
    // Refuses (ERR_INVALID_OPERATION) inside a primitive; otherwise records
    // ERR_NONE and lets the operation go on.
    bool accept();
    void setCapability(int capability, bool on);
    void releaseOwnedBuffer();
    void configureRasterizer();
    void removeTexture(int id);

    int viewportWidth_ = 256;
    int viewportHeight_ = 256;
    std::unique_ptr<std::uint32_t[]> ownedBuffer_;
    std::uint32_t* buffer_ = nullptr;

    double normalX_ = 0.0, normalY_ = 0.0, normalZ_ = 1.0;
    double texS_ = 0.0, texT_ = 0.0, texR_ = 0.0, texQ_ = 1.0;

    int boundTexture_ = 0;
    std::array<TextureImage*, kTextureIds> textureTable_{};
    std::list<TextureImage> textures_;  // in creation order; the table points into it

    bool perspective_ = false;
    bool primitiveOpen_ = false;
    int primitiveMode_ = 0;
    bool depthTest_ = false;
    bool culling_ = false;
    bool combineA_ = false;
    bool combineB_ = false;
    bool texturing_ = false;

    std::uint32_t colour_ = 0xFFFFFFFFu;
    int matrixMode_ = MODE_MODELVIEW;
    int shadeMode_ = 0;
    int cullFace_ = FACE_BACK;
    int error_ = ERR_NONE;

    Matrix4 modelView_;
    ProjectionVolume volume_;

    std::array<BatchVertex, 3 * kBatchTriangles> vertices_{};
    std::array<BatchTriangle, kBatchTriangles> triangles_{};
    int nextVertex_ = 0;  // index of the next vertex within its triangle, 0..2
    int triangleCount_ = 0;

    Rasterizer rasterizer_;
};

}  // namespace render3d
