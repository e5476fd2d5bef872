#include "render3d/SoftRenderer.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace render3d {
namespace {

bool isTextureSize(int size) {
    return size >= 1 && size <= SoftRenderer::kMaxTextureSize && (size & (size - 1)) == 0;
}

int log2Of(int powerOfTwo) {
    int exponent = 0;
    while ((1 << exponent) < powerOfTwo) {
        ++exponent;
    }
    return exponent;
}

// Ids are compared as unsigned: a negative id is as far out of the table as
// one of 64 or more.
bool inTable(int id) {
    return static_cast<unsigned>(id) < static_cast<unsigned>(SoftRenderer::kTextureIds);
}

// A colour component of a light as a 16.16 fraction of full intensity:
// value * 255 truncated to c, then c * 65536 / 255.
Fixed lightIntensity(float value) {
    const std::int64_t c = truncToInt(value * 255.0f);
    return static_cast<Fixed>(c * kFixedOne / 255);
}

std::uint8_t lightByte(float value) {
    return static_cast<std::uint8_t>(std::clamp(truncToInt(value * 255.0f), 0, 255));
}

}  // namespace

SoftRenderer::SoftRenderer() {
    ownedBuffer_.reset(new (std::nothrow) std::uint32_t[256 * 256]);
    buffer_ = ownedBuffer_.get();
    configureRasterizer();
}

SoftRenderer::~SoftRenderer() {
    destroy();
}

std::unique_ptr<SoftRenderer> SoftRenderer::create() {
    try {
        return std::make_unique<SoftRenderer>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool SoftRenderer::accept() {
    if (primitiveOpen_) {
        error_ = ERR_INVALID_OPERATION;
        return false;
    }
    error_ = ERR_NONE;
    return true;
}

void SoftRenderer::releaseOwnedBuffer() {
    if (ownedBuffer_ && buffer_ == ownedBuffer_.get()) {
        buffer_ = nullptr;
    }
    ownedBuffer_.reset();
}

void SoftRenderer::configureRasterizer() {
    RasterConfig config;
    config.perspective = perspective_;
    config.width = viewportWidth_;
    config.height = viewportHeight_;
    config.left = static_cast<float>(volume_.left);
    config.right = static_cast<float>(volume_.right);
    config.bottom = static_cast<float>(volume_.bottom);
    config.top = static_cast<float>(volume_.top);
    config.nearPlane = static_cast<float>(volume_.nearPlane);
    config.farPlane = static_cast<float>(volume_.farPlane);
    config.buffer = buffer_;
    rasterizer_.configure(config);
}

void SoftRenderer::destroy() {
    releaseOwnedBuffer();
    buffer_ = nullptr;
    rasterizer_.setBuffer(nullptr);
    textureTable_.fill(nullptr);
    textures_.clear();
    rasterizer_.releaseTables();
}

void SoftRenderer::setShadeMode(int mode) {
    if (!accept()) {
        return;
    }
    if (mode == 0 || mode == 1) {
        shadeMode_ = mode;
    } else {
        error_ = ERR_INVALID_ENUM;
    }
}

void SoftRenderer::setCapability(int capability, bool on) {
    switch (capability) {
        case CAP_DEPTH_TEST:
            depthTest_ = on;
            rasterizer_.setDepthTest(on);
            return;
        case CAP_CULL_FACE:
            culling_ = on;
            return;
        case CAP_TEXTURE_COMBINE_A:
            combineA_ = on;
            return;
        case CAP_TEXTURE_COMBINE_B:
            combineB_ = on;
            return;
        case CAP_TEXTURE_2D:
            texturing_ = on;
            return;
        case CAP_LIGHTING:
            rasterizer_.setLighting(on);
            return;
        default:
            break;
    }
    if (capability >= CAP_LIGHT0 && capability < CAP_LIGHT0 + kMaxLights) {
        rasterizer_.setLightEnabled(capability - CAP_LIGHT0, on);
        return;
    }
    error_ = ERR_INVALID_ENUM;
}

bool SoftRenderer::capability(int code) const {
    switch (code) {
        case CAP_DEPTH_TEST:
            return depthTest_;
        case CAP_CULL_FACE:
            return culling_;
        case CAP_TEXTURE_COMBINE_A:
            return combineA_;
        case CAP_TEXTURE_COMBINE_B:
            return combineB_;
        case CAP_TEXTURE_2D:
            return texturing_;
        case CAP_LIGHTING:
            return rasterizer_.lighting();
        default:
            break;
    }
    if (code >= CAP_LIGHT0 && code < CAP_LIGHT0 + kMaxLights) {
        return rasterizer_.light(code - CAP_LIGHT0).enabled;
    }
    return false;
}

void SoftRenderer::enable(int capability) {
    if (accept()) {
        setCapability(capability, true);
    }
}

void SoftRenderer::disable(int capability) {
    if (accept()) {
        setCapability(capability, false);
    }
}

void SoftRenderer::setViewport(int x, int y, int width, int height) {
    if (!accept()) {
        return;
    }
    if (x != 0 || y != 0 || width < 0 || height < 0) {
        error_ = ERR_INVALID_VALUE;
        return;
    }
    viewportWidth_ = width;
    viewportHeight_ = height;
    releaseOwnedBuffer();
    // Left uninitialised, as a new colour buffer's contents are undefined:
    // the scene replaces it with the frame straight away, and touching
    // 5 MB of fresh pages would cost milliseconds per transition.
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    ownedBuffer_.reset(new (std::nothrow) std::uint32_t[pixels]);
    buffer_ = ownedBuffer_.get();
    configureRasterizer();
}

void SoftRenderer::setOutputBuffer(std::uint32_t* pixels) {
    if (!accept()) {
        return;
    }
    releaseOwnedBuffer();
    buffer_ = pixels;
    rasterizer_.setBuffer(pixels);
}

void SoftRenderer::getInteger(int query, int* results) {
    if (!accept()) {
        return;
    }
    if (query == QUERY_VIEWPORT) {
        if (results != nullptr) {
            results[0] = 0;
            results[1] = 0;
            results[2] = viewportWidth_;
            results[3] = viewportHeight_;
        }
    } else if (query == QUERY_MAX_LIGHTS) {
        if (results != nullptr) {
            results[0] = kMaxLights;
        }
    } else {
        error_ = ERR_INVALID_ENUM;
    }
}

void SoftRenderer::setLight(int light, int parameter, const float* values) {
    if (!accept()) {
        return;
    }
    // The same bound as QUERY_MAX_LIGHTS answers.
    if (light < CAP_LIGHT0 || light >= CAP_LIGHT0 + kMaxLights) {
        error_ = ERR_INVALID_ENUM;
        return;
    }
    const int index = light - CAP_LIGHT0;
    switch (parameter) {
        case LIGHT_AMBIENT:
        case LIGHT_DIFFUSE:
        case LIGHT_SPECULAR:
        case LIGHT_POSITION:
            break;
        default:
            error_ = ERR_INVALID_ENUM;
            return;
    }
    if (values == nullptr) {
        return;
    }
    if (parameter == LIGHT_AMBIENT || parameter == LIGHT_DIFFUSE) {
        const std::array<Fixed, 3> rgb{lightIntensity(values[0]), lightIntensity(values[1]),
                                       lightIntensity(values[2])};
        if (parameter == LIGHT_AMBIENT) {
            rasterizer_.setLightAmbient(index, rgb);
        } else {
            rasterizer_.setLightDiffuse(index, rgb);
        }
    } else if (parameter == LIGHT_SPECULAR) {
        ColourBytes bytes;
        bytes.red = lightByte(values[0]);
        bytes.green = lightByte(values[1]);
        bytes.blue = lightByte(values[2]);
        rasterizer_.setLightSpecular(index, bytes);
    } else {
        // Into the rasteriser's depth axis (z into the screen); the fourth
        // value is ignored, so every light is directional. A zero vector
        // names no direction and leaves the old one.
        const Vec3 direction{values[0], values[1], -values[2]};
        const float length = std::sqrt(dot(direction, direction));
        if (length > 0.0f && std::isfinite(length)) {
            rasterizer_.setLightDirection(index, direction / length);
        }
    }
}

void SoftRenderer::genTextures(int count, int* ids) {
    if (!accept()) {
        return;
    }
    int written = 0;
    // Not reserved: an id stays free until texImage2D fills it.
    for (int id = 1; id < kTextureIds && written < count; ++id) {
        if (textureTable_[id] == nullptr) {
            if (ids != nullptr) {
                ids[written] = id;
            }
            ++written;
        }
    }
    if (written < count) {
        error_ = ERR_INVALID_VALUE;
    }
}

void SoftRenderer::removeTexture(int id) {
    TextureImage* image = textureTable_[id];
    if (image == nullptr) {
        return;
    }
    textureTable_[id] = nullptr;
    textures_.remove_if([image](const TextureImage& t) { return &t == image; });
}

void SoftRenderer::deleteTextures(int count, const int* ids) {
    if (!accept()) {
        return;
    }
    if (count < 0) {
        error_ = ERR_INVALID_VALUE;
        return;
    }
    if (ids == nullptr) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        if (inTable(ids[i])) {
            removeTexture(ids[i]);
        }
    }
}

void SoftRenderer::bindTexture(int target, int id) {
    if (!accept()) {
        return;
    }
    if (target != CAP_TEXTURE_2D) {
        error_ = ERR_INVALID_ENUM;
        return;
    }
    if (!inTable(id)) {
        error_ = ERR_INVALID_OPERATION;
        return;
    }
    boundTexture_ = id;
}

void SoftRenderer::texImage2D(int target, int level, int internalFormat, int width, int height,
                              int border, int format, int type, const void* pixels) {
    if (!accept()) {
        return;
    }
    if (target != CAP_TEXTURE_2D || internalFormat != TEX_INTERNAL_RGBA ||
        format != TEX_FORMAT_BGRA || type != TEX_TYPE_UBYTE) {
        error_ = ERR_INVALID_ENUM;
        return;
    }
    if (!isTextureSize(width) || !isTextureSize(height) || level != 0 || border != 0) {
        error_ = ERR_INVALID_VALUE;
        return;
    }
    removeTexture(boundTexture_);
    if (pixels == nullptr) {
        return;
    }
    try {
        TextureImage& image = textures_.emplace_back();
        image.width = width;
        image.height = height;
        image.log2Width = log2Of(width);
        image.log2Height = log2Of(height);
        image.pixels = static_cast<const std::uint32_t*>(pixels);
        textureTable_[boundTexture_] = &image;
    } catch (const std::bad_alloc&) {
        // The entry stays empty: triangles of this id are drawn untextured.
    }
}

const TextureImage* SoftRenderer::texture(int id) const {
    return inTable(id) ? textureTable_[id] : nullptr;
}

void SoftRenderer::setCullFace(int mode) {
    if (!accept()) {
        return;
    }
    if (mode == FACE_FRONT || mode == FACE_BACK) {
        cullFace_ = mode;
    } else {
        error_ = ERR_INVALID_ENUM;
    }
}

void SoftRenderer::setMatrixMode(int mode) {
    if (!accept()) {
        return;
    }
    if (mode == MODE_MODELVIEW || mode == MODE_PROJECTION) {
        matrixMode_ = mode;
    } else {
        error_ = ERR_INVALID_ENUM;
    }
}

void SoftRenderer::loadIdentity() {
    if (!accept()) {
        return;
    }
    // The projection is given directly by frustum: there is no projection
    // matrix to reset.
    if (matrixMode_ == MODE_MODELVIEW && !modelView_.isIdentity()) {
        modelView_.setIdentity();
    }
}

void SoftRenderer::translate(double x, double y, double z) {
    if (!accept()) {
        return;
    }
    if (matrixMode_ == MODE_MODELVIEW) {
        modelView_ = modelView_ * Matrix4::translation(static_cast<float>(x), static_cast<float>(y),
                                                       static_cast<float>(z));
    }
}

void SoftRenderer::color3ub(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    colour_ = 0xFF000000u | static_cast<std::uint32_t>(red) << 16 |
              static_cast<std::uint32_t>(green) << 8 | blue;
}

void SoftRenderer::texCoord2(double s, double t) {
    texS_ = s;
    texT_ = t;
    texR_ = 0.0;
    texQ_ = 1.0;
}

void SoftRenderer::normal3(const float* normal) {
    if (normal != nullptr) {
        normalX_ = normal[0];
        normalY_ = normal[1];
        normalZ_ = normal[2];
    }
}

void SoftRenderer::beginPrimitive(int mode) {
    if (!accept()) {
        return;
    }
    if (mode != PRIM_TRIANGLES) {
        error_ = ERR_INVALID_ENUM;
        return;
    }
    primitiveOpen_ = true;
    primitiveMode_ = mode;
    triangleCount_ = 0;
    nextVertex_ = 0;
}

void SoftRenderer::vertex3(const float* position) {
    if (!primitiveOpen_) {
        error_ = ERR_INVALID_OPERATION;
        return;
    }
    if (position == nullptr) {
        return;
    }
    if (triangleCount_ == kBatchTriangles) {
        flushBatch();
    }
    const int first = 3 * triangleCount_;
    BatchVertex& v = vertices_[first + nextVertex_];
    v.objectX = position[0];
    v.objectY = position[1];
    v.objectZ = position[2];
    v.normalX = static_cast<float>(normalX_);
    v.normalY = static_cast<float>(normalY_);
    v.normalZ = static_cast<float>(-normalZ_);
    v.s = static_cast<float>(texS_);
    v.t = static_cast<float>(texT_);
    if (nextVertex_ < 2) {
        ++nextVertex_;
        return;
    }
    BatchTriangle& triangle = triangles_[triangleCount_];
    triangle.vertices = {&vertices_[first], &vertices_[first + 1], &vertices_[first + 2]};
    triangle.texture = textureTable_[boundTexture_];
    triangle.front.red = static_cast<std::uint8_t>(colour_ >> 16);
    triangle.front.green = static_cast<std::uint8_t>(colour_ >> 8);
    triangle.front.blue = static_cast<std::uint8_t>(colour_);
    triangle.back = triangle.front;
    triangle.backFacing = false;
    ++triangleCount_;
    nextVertex_ = 0;
}

void SoftRenderer::endPrimitive() {
    if (!primitiveOpen_) {
        error_ = ERR_INVALID_OPERATION;
        return;
    }
    flushBatch();
    primitiveOpen_ = false;
}

void SoftRenderer::frustum(double left, double right, double bottom, double top, double nearPlane,
                           double farPlane) {
    if (!accept()) {
        return;
    }
    volume_ = {left, right, bottom, top, nearPlane, farPlane};
    // In model-view mode the volume waits for the next setViewport.
    if (matrixMode_ == MODE_PROJECTION) {
        perspective_ = true;
        if (buffer_ != nullptr) {
            configureRasterizer();
        }
    }
}

void SoftRenderer::flushBatch() {
    const int vertexCount = 3 * triangleCount_ + nextVertex_;
    for (int i = 0; i < vertexCount; ++i) {
        BatchVertex& v = vertices_[i];
        const Vec3 eye = modelView_.transformPoint({v.objectX, v.objectY, v.objectZ});
        v.eyeX = eye.x;
        v.eyeY = eye.y;
        v.depth = -eye.z;
    }
    const float nearPlane = static_cast<float>(volume_.nearPlane);
    for (int i = 0; i < triangleCount_; ++i) {
        BatchTriangle& triangle = triangles_[i];
        triangle.backFacing = !rasterizer_.facing(triangle);
        if (culling_ && ((cullFace_ == FACE_BACK && triangle.backFacing) ||
                         (cullFace_ == FACE_FRONT && !triangle.backFacing))) {
            continue;
        }
        const float d0 = triangle.vertices[0]->depth;
        const float d1 = triangle.vertices[1]->depth;
        const float d2 = triangle.vertices[2]->depth;
        triangle.minDepth = std::min({d0, d1, d2});
        triangle.maxDepth = std::max({d0, d1, d2});
        if (!(triangle.maxDepth > nearPlane)) {
            continue;
        }
        ClipPolygon polygon = rasterizer_.clipNear(triangle);
        if (polygon.count == 0) {
            continue;
        }
        rasterizer_.project(polygon);
        const ScreenPolygon screen = rasterizer_.clipToViewport(polygon);
        if (screen.count == 0) {
            continue;
        }
        if (texturing_ && triangle.texture != nullptr) {
            rasterizer_.fillTextured(screen, triangle);
        } else {
            rasterizer_.fillFlat(screen, triangle);
        }
    }
    // One or two vertices of an unfinished triangle are dropped.
    triangleCount_ = 0;
    nextVertex_ = 0;
}

}  // namespace render3d
