#pragma once

#include <cstdint>

namespace render3d {

// The numeric codes of the immediate-mode rendering interface. They are the
// interface's own (not any other library's) and every one is a 32-bit int.
inline constexpr int CAP_DEPTH_TEST = 2;         // depth testing (the show only switches it off)
inline constexpr int CAP_CULL_FACE = 3;          // face culling
inline constexpr int CAP_TEXTURE_COMBINE_A = 4;  // texture-combination modes: recorded, never used
inline constexpr int CAP_TEXTURE_COMBINE_B = 5;
inline constexpr int QUERY_VIEWPORT = 6;    // query: x, y, width, height
inline constexpr int QUERY_MAX_LIGHTS = 7;  // query: one integer, 8
inline constexpr int CAP_LIGHTING = 8;      // lighting of untextured triangles
inline constexpr int CAP_LIGHT0 = 9;        // light n is CAP_LIGHT0 + n, n = 0..7
inline constexpr int LIGHT_AMBIENT = 17;
inline constexpr int LIGHT_DIFFUSE = 18;
inline constexpr int LIGHT_SPECULAR = 19;
inline constexpr int LIGHT_POSITION = 20;  // a direction: every light is directional
inline constexpr int CAP_TEXTURE_2D = 21;  // texturing; also the only texture target
inline constexpr int TEX_INTERNAL_RGBA = 22;
inline constexpr int TEX_FORMAT_BGRA = 23;  // bytes blue, green, red, alpha
inline constexpr int TEX_TYPE_UBYTE = 24;
inline constexpr int MODE_MODELVIEW = 25;
inline constexpr int MODE_PROJECTION = 26;
inline constexpr int PRIM_TRIANGLES = 28;
inline constexpr int FACE_FRONT = 29;  // cull front-facing triangles
inline constexpr int FACE_BACK = 30;   // cull back-facing triangles
inline constexpr int ERR_NONE = 31;
inline constexpr int ERR_INVALID_OPERATION = 32;
inline constexpr int ERR_INVALID_ENUM = 33;
inline constexpr int ERR_INVALID_VALUE = 34;

inline constexpr int kMaxLights = 8;

// The rendering interface the transition scene draws through, in the order
// of its slots. Every operation of this base does nothing, so a test can
// derive from it and record only what it looks at. Operations report
// nothing: an implementation records an error code instead (see
// SoftRenderer). Pointer arguments name as many values as the operation
// reads or writes; the caller keeps them valid for the call.
class GraphicsApi {
  public:
    virtual ~GraphicsApi() = default;

    // Releases every resource (colour buffer, textures, tables); the object
    // itself is deleted by its owner.
    virtual void destroy() {}
    virtual void setShadeMode(int /*mode*/) {}
    virtual void enable(int /*capability*/) {}
    virtual void disable(int /*capability*/) {}
    virtual void setViewport(int /*x*/, int /*y*/, int /*width*/, int /*height*/) {}
    // QUERY_VIEWPORT writes four ints, QUERY_MAX_LIGHTS one.
    virtual void getInteger(int /*query*/, int* /*results*/) {}
    // Four floats; the fourth is ignored.
    virtual void setLight(int /*light*/, int /*parameter*/, const float* /*values*/) {}
    virtual void genTextures(int /*count*/, int* /*ids*/) {}
    virtual void deleteTextures(int /*count*/, const int* /*ids*/) {}
    virtual void bindTexture(int /*target*/, int /*id*/) {}
    // The pixels are referenced, not copied: they must outlive the texture.
    virtual void texImage2D(int /*target*/, int /*level*/, int /*internalFormat*/, int /*width*/,
                            int /*height*/, int /*border*/, int /*format*/, int /*type*/,
                            const void* /*pixels*/) {}
    virtual void setCullFace(int /*mode*/) {}
    virtual void setMatrixMode(int /*mode*/) {}
    virtual void loadIdentity() {}
    virtual void translate(double /*x*/, double /*y*/, double /*z*/) {}
    virtual void color3ub(std::uint8_t /*red*/, std::uint8_t /*green*/, std::uint8_t /*blue*/) {}
    virtual void texCoord2(double /*s*/, double /*t*/) {}
    virtual void beginPrimitive(int /*mode*/) {}
    // Three floats.
    virtual void normal3(const float* /*normal*/) {}
    // Three floats.
    virtual void vertex3(const float* /*position*/) {}
    virtual void endPrimitive() {}
    virtual void frustum(double /*left*/, double /*right*/, double /*bottom*/, double /*top*/,
                         double /*near*/, double /*far*/) {}
    // width * height 32-bit pixels of the current viewport, caller-owned.
    virtual void setOutputBuffer(std::uint32_t* /*pixels*/) {}
    virtual void flushBatch() {}
};

}  // namespace render3d
