#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "render3d/FixedPoint.h"
#include "render3d/GraphicsApi.h"
#include "render3d/Matrix4.h"
#include "render3d/RenderBatch.h"

namespace render3d {

// One directional light as the rasteriser applies it.
struct LightSource {
    bool enabled = false;
    // Red, green, blue as 16.16 fractions of full intensity (65536 = 1.0).
    std::array<Fixed, 3> ambient{};
    std::array<Fixed, 3> diffuse{};
    ColourBytes specular;
    // Unit vector toward the light in eye space with z pointing into the
    // screen (the depth axis).
    Vec3 direction{0.0f, 0.0f, -1.0f};
};

// A polygon in eye space (x, y, depth) after near clipping, or in screen
// space (x, y; depth unused) after projection.
struct ClipVertex {
    float x = 0.0f, y = 0.0f, d = 0.0f;
};
struct ClipPolygon {
    static constexpr int kCapacity = 10;
    int count = 0;
    std::array<ClipVertex, kCapacity> v{};
};

// The polygon that is filled: integer pixel corners, x in 0..width and y in
// 0..height; row y is pixel row y of the buffer (rows bottom-up).
struct ScreenPoint {
    int x = 0, y = 0;
    bool operator==(const ScreenPoint&) const = default;
};
struct ScreenPolygon {
    static constexpr int kCapacity = 10;
    int count = 0;
    std::array<ScreenPoint, kCapacity> v{};
};

// Left and right ends of one row of the polygon being filled. Only the flat
// and perspective-textured fills exist, so no per-end depth or colour.
struct SpanRecord {
    int left = 0;
    int right = 0;
};

// The view the rasteriser is configured for: the projection volume of the
// rendering context, the viewport size and the colour buffer (not owned).
struct RasterConfig {
    bool perspective = false;
    int width = 0;
    int height = 0;
    float left = -1.0f, right = 1.0f, bottom = -1.0f, top = 1.0f;
    float nearPlane = 1.0f, farPlane = 10.0f;
    std::uint32_t* buffer = nullptr;
};

// Turns the triangles of the rendering context's batch into pixels of a
// 32-bit colour buffer: facing, near clipping, projection, viewport
// clipping, scan conversion, and a flat (optionally lit) or a
// perspective-correct textured fill. There is no depth buffer: each fill
// overwrites what was there. Everything after projection is integer, mostly
// 16.16 fixed point.
class Rasterizer {
  public:
    static constexpr int kSegmentLength = 32;  // pixels between exact texel positions

    Rasterizer();

    // Centre, scale and inverse-projection tables from the volume; the row
    // and span tables are rebuilt only when the size changes. Returns false
    // (and draws nothing until a later configure succeeds) when the tables
    // cannot be allocated.
    bool configure(const RasterConfig& config);
    // Points the rasteriser at another buffer of the configured size.
    void setBuffer(std::uint32_t* buffer) { buffer_ = buffer; }
    // Frees the tables; nothing is drawn until the next configure.
    void releaseTables();

    void setLighting(bool on) { lighting_ = on; }
    bool lighting() const { return lighting_; }
    // Depth testing is recorded only: the show never draws with it, so the
    // fills always paint in submission order.
    void setDepthTest(bool on) { depthTest_ = on; }
    // Light setters; an index outside 0..7 is ignored.
    void setLightEnabled(int index, bool on);
    void setLightAmbient(int index, const std::array<Fixed, 3>& rgb);
    void setLightDiffuse(int index, const std::array<Fixed, 3>& rgb);
    void setLightSpecular(int index, ColourBytes bytes);
    void setLightDirection(int index, Vec3 unitTowardLight);
    const LightSource& light(int index) const { return lights_[index]; }

    // True when the triangle (eye x, eye y, depth of its vertices) runs
    // counter-clockwise on the screen, x to the right and y upward.
    bool facing(const BatchTriangle& triangle) const;
    // The part of the triangle with depth >= near, in eye space: empty, or
    // 3 or 4 vertices.
    ClipPolygon clipNear(const BatchTriangle& triangle) const;
    // Eye space to screen space, in place.
    void project(ClipPolygon& polygon) const;
    // Clips to 0..width x 0..height and converts to integer corners; empty
    // when nothing is left.
    ScreenPolygon clipToViewport(const ClipPolygon& polygon) const;

    // One colour for the whole polygon: the triangle's front colour, or its
    // back colour when flagged back-facing, lit when lighting is on.
    void fillFlat(const ScreenPolygon& polygon, const BatchTriangle& triangle);
    // The triangle's texture mapped in correct perspective through the
    // plane of its own three vertices; nearest texel, wrapping both ways.
    void fillTextured(const ScreenPolygon& polygon, const BatchTriangle& triangle);

    // The colour fillFlat paints for this triangle, as a pixel word.
    std::uint32_t flatPixel(const BatchTriangle& triangle) const;

    // Writes the x of each of the dy rows of an edge from (xa, ya) to
    // (xb, ya + dy), dy > 0, with integer stepping: out[i * stride].
    static void stepEdge(int xa, int xb, int dy, int* out, std::ptrdiff_t stride);

    int width() const { return width_; }
    int height() const { return height_; }
    float scale() const { return scale_; }
    int centreX() const { return cx_; }
    int centreY() const { return cy_; }
    float nearPlane() const { return near_; }
    bool perspective() const { return perspective_; }
    std::uint32_t* buffer() const { return buffer_; }
    const std::vector<Fixed>& xTable() const { return xTable_; }
    const std::vector<Fixed>& yTable() const { return yTable_; }

  private:
    // Fills spans_ for rows yTop <= y < yEnd; false when nothing is drawn.
    bool buildSpans(const ScreenPolygon& polygon, int& yTop, int& yEnd);
    void writeEdge(ScreenPoint a, ScreenPoint b, int yTop, bool leftSide);
    bool ready() const;

    bool perspective_ = false;
    float scale_ = 1.0f;
    int cx_ = 0, cy_ = 0;
    float cxf_ = 0.0f, cyf_ = 0.0f;
    int width_ = 0, height_ = 0;
    float clipWidth_ = 0.0f, clipHeight_ = 0.0f;
    float near_ = 1.0f, far_ = 10.0f;  // far is kept but clips nothing
    std::uint32_t* buffer_ = nullptr;

    bool tablesValid_ = false;
    std::vector<std::size_t> rowOffsets_;  // pixel offset of row r, r = 0..height
    std::vector<Fixed> xTable_;            // Xt[0..width]
    std::vector<Fixed> yTable_;            // Yt[0..height]
    std::vector<SpanRecord> spans_;        // height + 1 rows

    bool lighting_ = false;
    bool depthTest_ = false;
    std::array<LightSource, kMaxLights> lights_{};
    // Half vectors between each light and the viewer, for the specular term.
    std::array<Vec3, kMaxLights> halfVectors_{};
};

}  // namespace render3d
