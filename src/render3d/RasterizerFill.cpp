// The two pixel loops of the rasteriser: the flat fill and the
// perspective-correct textured fill. Built with -O3 (see CMakeLists.txt).
#include <algorithm>
#include <cmath>

#include "render3d/Rasterizer.h"

namespace render3d {
namespace {

// The triangle's plane as three 16.16 vectors: for a viewing ray (X, Y, 1),
// u - u0 = (A . ray) / (D . ray) and v - v0 = (C . ray) / (D . ray).
struct TexturePlane {
    Fixed ax = 0, ay = 0, az = 0;
    Fixed cx = 0, cy = 0, cz = 0;
    Fixed dx = 0, dy = 0, dz = 0;
};

TexturePlane texturePlane(const BatchTriangle& triangle) {
    const BatchVertex& q0 = *triangle.vertices[0];
    const BatchVertex& q1 = *triangle.vertices[1];
    const BatchVertex& q2 = *triangle.vertices[2];
    const Vec3 p0{q0.eyeX, q0.eyeY, q0.depth};
    const Vec3 e1 = Vec3{q1.eyeX, q1.eyeY, q1.depth} - p0;
    const Vec3 e2 = Vec3{q2.eyeX, q2.eyeY, q2.depth} - p0;
    const float du1 = q1.s - q0.s, dv1 = q1.t - q0.t;
    const float du2 = q2.s - q0.s, dv2 = q2.t - q0.t;
    const float k = 1.0f / (du1 * dv2 - du2 * dv1);
    // The plane's directions per unit of u and per unit of v.
    const Vec3 pu = (e1 * dv2 - e2 * dv1) * k;
    const Vec3 pv = (e2 * du1 - e1 * du2) * k;
    const Vec3 normal = cross(pu, pv);
    const float b = dot(p0, normal);
    TexturePlane plane;
    if (b == 0.0f || !std::isfinite(b)) {
        return plane;
    }
    const Vec3 aq = cross(pv, p0) / b;
    const Vec3 cq = cross(p0, pu) / b;
    const Vec3 dq = normal / b;
    plane.ax = truncToFixed(aq.x);
    plane.ay = truncToFixed(aq.y);
    plane.az = truncToFixed(aq.z);
    plane.cx = truncToFixed(cq.x);
    plane.cy = truncToFixed(cq.y);
    plane.cz = truncToFixed(cq.z);
    plane.dx = truncToFixed(dq.x);
    plane.dy = truncToFixed(dq.y);
    plane.dz = truncToFixed(dq.z);
    return plane;
}

// The exact texel position (16.16, from vertex 0's texel) on the ray
// (X, Y, 1). Every product is 64-bit and shifted right by 16; the sums wrap
// like the 32-bit words they are. Where the ray grazes the plane
// (|Den| <= 2) the previous position is kept.
struct ExactTexel {
    const TexturePlane& p;
    int log2Width;
    int log2Height;
    std::int32_t u = 0;
    std::int32_t v = 0;

    void at(Fixed x, Fixed y) {
        const std::int32_t un =
            wrapShiftLeft(wrapAdd(wrapAdd(fixedMul(p.ax, x), fixedMul(p.ay, y)), p.az), log2Width);
        const std::int32_t vn =
            wrapShiftLeft(wrapAdd(wrapAdd(fixedMul(p.cx, x), fixedMul(p.cy, y)), p.cz), log2Height);
        const std::int32_t den = wrapAdd(wrapAdd(fixedMul(p.dx, x), fixedMul(p.dy, y)), p.dz);
        if (den > 2 || den < -2) {
            // |den| >= 3 keeps r inside 32 bits and the products inside 64.
            const std::int64_t r = (std::int64_t{1} << 32) / den;
            u = static_cast<std::int32_t>((static_cast<std::int64_t>(un) * r) >> 16);
            v = static_cast<std::int32_t>((static_cast<std::int64_t>(vn) * r) >> 16);
        }
    }
};

}  // namespace

void Rasterizer::fillFlat(const ScreenPolygon& polygon, const BatchTriangle& triangle) {
    if (!ready()) {
        return;
    }
    int yTop = 0, yEnd = 0;
    if (!buildSpans(polygon, yTop, yEnd)) {
        return;
    }
    const std::uint32_t pixel = flatPixel(triangle);
    for (int y = yTop; y < yEnd; ++y) {
        int left = spans_[y - yTop].left;
        int right = spans_[y - yTop].right;
        if (left > right) {
            std::swap(left, right);
        }
        if ((left < 0 && right < 0) || (left >= width_ && right >= width_)) {
            continue;
        }
        left = std::max(left, 0);
        right = std::min(right, width_);
        std::uint32_t* row = buffer_ + rowOffsets_[y];
        std::fill(row + left, row + right, pixel);
    }
}

void Rasterizer::fillTextured(const ScreenPolygon& polygon, const BatchTriangle& triangle) {
    const TextureImage* texture = triangle.texture;
    if (!ready() || texture == nullptr || texture->pixels == nullptr) {
        return;
    }
    int yTop = 0, yEnd = 0;
    if (!buildSpans(polygon, yTop, yEnd)) {
        return;
    }
    const TexturePlane plane = texturePlane(triangle);
    const int a = texture->log2Width;
    const int b = texture->log2Height;
    const BatchVertex& first = *triangle.vertices[0];
    // Vertex 0's texel, added once per segment; the masks make every
    // address wrap (repeat) in both directions.
    const std::uint32_t uOff =
        static_cast<std::uint32_t>(truncToInt(static_cast<float>(texture->width) * first.s)) << 16;
    const std::uint32_t vOff =
        static_cast<std::uint32_t>(truncToInt(static_cast<float>(texture->height) * first.t)) << a;
    const std::uint32_t uMask = static_cast<std::uint32_t>(texture->width - 1);
    const std::uint32_t vMask = static_cast<std::uint32_t>(texture->height - 1) << a;
    const std::uint32_t* texels = texture->pixels;

    ExactTexel exact{plane, a, b};
    for (int y = yTop; y < yEnd; ++y) {
        const int left = std::clamp(spans_[y - yTop].left, 0, width_);
        const int right = std::clamp(spans_[y - yTop].right, 0, width_);
        if (left >= right) {
            continue;
        }
        const Fixed rowY = yTable_[y];
        std::uint32_t* row = buffer_ + rowOffsets_[y];
        exact.at(xTable_[left], rowY);
        for (int x = left; x < right;) {
            const int length = std::min(kSegmentLength, right - x);
            const std::int32_t uStart = exact.u;
            const std::int32_t vStart = exact.v;
            exact.at(xTable_[x + length], rowY);
            const std::int64_t inverseLength = kFixedOne / length;
            const std::uint32_t du = static_cast<std::uint32_t>(
                (static_cast<std::int64_t>(exact.u) - uStart) * inverseLength >> 16);
            const std::uint32_t dv = static_cast<std::uint32_t>(
                (static_cast<std::int64_t>(exact.v) - vStart) * inverseLength >> 16);
            // Unsigned words: they wrap where the 32-bit registers did, and
            // only bits 16 and up, under the masks, choose the texel.
            std::uint32_t u = static_cast<std::uint32_t>(uStart) + uOff;
            std::uint32_t v = static_cast<std::uint32_t>(vStart);
            std::uint32_t* out = row + x;
            for (int i = 0; i < length; ++i) {
                const std::uint32_t index =
                    ((((v >> 16) << a) + vOff) & vMask) + ((u >> 16) & uMask);
                out[i] = texels[index];
                u += du;
                v += dv;
            }
            x += length;
        }
    }
}

}  // namespace render3d
