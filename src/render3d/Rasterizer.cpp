// The rasteriser's set-up, geometry and lighting; the two pixel loops live in
// RasterizerFill.cpp, which is built for speed.
#include "render3d/Rasterizer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

namespace render3d {
namespace {

// Entry i is (i / 65536)^10 in 16.16: the shininess curve of the specular
// term, looked up instead of raised to a power per triangle.
const std::vector<int>& specularPowerTable() {
    static const std::vector<int> table = [] {
        std::vector<int> t(kFixedOne + 1);
        for (int i = 0; i <= kFixedOne; ++i) {
            t[i] = static_cast<int>(std::pow(i / 65536.0, 10.0) * 65536.0);
        }
        return t;
    }();
    return table;
}

Vec3 normalised(Vec3 v) {
    const float length = std::sqrt(dot(v, v));
    if (!(length > 0.0f)) {
        return {};
    }
    return v / length;
}

Vec3 eyeVector(const BatchVertex& v) {
    return {v.eyeX, v.eyeY, v.depth};
}

// -(n . u) in 16.16 with n and u 16.16 vectors, clamped to 0..1.
Fixed facingTerm(const std::array<Fixed, 3>& n, Vec3 u) {
    const Fixed ux = truncToFixed(-u.x);
    const Fixed uy = truncToFixed(-u.y);
    const Fixed uz = truncToFixed(-u.z);
    const std::int64_t k = (static_cast<std::int64_t>(n[0]) * ux >> 16) +
                           (static_cast<std::int64_t>(n[1]) * uy >> 16) +
                           (static_cast<std::int64_t>(n[2]) * uz >> 16);
    return static_cast<Fixed>(std::clamp<std::int64_t>(k, 0, kFixedOne));
}

// One clip pass against the line coordinate == bound; `keepAbove` keeps the
// side where the coordinate is at least the bound. The crossing takes the
// bound exactly and interpolates the other coordinate from the edge end
// whose clipped coordinate is smaller, so that an edge shared by two
// triangles gives both the same point.
template <bool kOnX>
ClipPolygon clipPass(const ClipPolygon& in, float bound, bool keepAbove) {
    auto coord = [](const ClipVertex& v) { return kOnX ? v.x : v.y; };
    auto inside = [&](const ClipVertex& v) {
        return keepAbove ? coord(v) >= bound : coord(v) <= bound;
    };
    auto crossing = [&](const ClipVertex& p, const ClipVertex& q) {
        const ClipVertex& a = coord(p) < coord(q) ? p : q;
        const ClipVertex& b = coord(p) < coord(q) ? q : p;
        const float t = (bound - coord(a)) / (coord(b) - coord(a));
        ClipVertex c = a;
        if (kOnX) {
            c.x = bound;
            c.y = a.y + t * (b.y - a.y);
        } else {
            c.y = bound;
            c.x = a.x + t * (b.x - a.x);
        }
        return c;
    };
    ClipPolygon out;
    auto emit = [&out](const ClipVertex& v) {
        if (out.count < ClipPolygon::kCapacity) {
            out.v[out.count++] = v;
        }
    };
    for (int i = 0; i < in.count; ++i) {
        const ClipVertex& p = in.v[(i + in.count - 1) % in.count];
        const ClipVertex& q = in.v[i];
        const bool pIn = inside(p);
        const bool qIn = inside(q);
        if (pIn && qIn) {
            emit(q);
        } else if (pIn) {
            emit(crossing(p, q));
        } else if (qIn) {
            emit(crossing(p, q));
            emit(q);
        }
    }
    return out;
}

}  // namespace

Rasterizer::Rasterizer() {
    lights_[0].diffuse = {kFixedOne, kFixedOne, kFixedOne};
    lights_[0].specular = {255, 255, 255};
    for (int i = 0; i < kMaxLights; ++i) {
        setLightDirection(i, lights_[i].direction);
    }
    specularPowerTable();  // built once, before any frame needs it
}

bool Rasterizer::configure(const RasterConfig& config) {
    perspective_ = config.perspective;
    near_ = config.nearPlane;
    far_ = config.farPlane;
    const float w = static_cast<float>(config.width);
    const float h = static_cast<float>(config.height);
    const float spanX = config.right - config.left;
    cx_ = truncToInt((-config.left / spanX) * w);
    // The rows of the buffer grow with eye y; the ratio is the same whether
    // the volume's top and bottom are passed as they are or both negated.
    cy_ = truncToInt((config.top / (config.top - config.bottom)) * h);
    scale_ = perspective_ ? w * config.nearPlane / spanX : w / spanX;
    cxf_ = static_cast<float>(cx_);
    cyf_ = static_cast<float>(cy_);
    clipWidth_ = w;
    clipHeight_ = h;
    buffer_ = config.buffer;

    const bool resized = config.width != width_ || config.height != height_ || !tablesValid_;
    width_ = std::max(config.width, 0);
    height_ = std::max(config.height, 0);
    try {
        xTable_.resize(static_cast<std::size_t>(width_) + 1);
        yTable_.resize(static_cast<std::size_t>(height_) + 1);
        // In 64 bits: a degenerate volume saturates the centre.
        for (int i = 0; i <= width_; ++i) {
            xTable_[i] = truncToFixed(static_cast<float>(std::int64_t{i} - cx_ + 1) / scale_);
        }
        for (int j = 0; j <= height_; ++j) {
            yTable_[j] = truncToFixed(static_cast<float>(std::int64_t{j} - cy_ + 1) / scale_);
        }
        if (resized) {
            rowOffsets_.resize(static_cast<std::size_t>(height_) + 1);
            for (int r = 0; r <= height_; ++r) {
                rowOffsets_[r] = static_cast<std::size_t>(r) * static_cast<std::size_t>(width_);
            }
            spans_.assign(static_cast<std::size_t>(height_) + 1, SpanRecord{});
        }
    } catch (const std::bad_alloc&) {
        releaseTables();
        return false;
    }
    tablesValid_ = true;
    return true;
}

void Rasterizer::releaseTables() {
    tablesValid_ = false;
    rowOffsets_ = {};
    xTable_ = {};
    yTable_ = {};
    spans_ = {};
}

bool Rasterizer::ready() const {
    return tablesValid_ && buffer_ != nullptr && width_ > 0 && height_ > 0;
}

void Rasterizer::setLightEnabled(int index, bool on) {
    if (index >= 0 && index < kMaxLights) {
        lights_[index].enabled = on;
    }
}

void Rasterizer::setLightAmbient(int index, const std::array<Fixed, 3>& rgb) {
    if (index >= 0 && index < kMaxLights) {
        lights_[index].ambient = rgb;
    }
}

void Rasterizer::setLightDiffuse(int index, const std::array<Fixed, 3>& rgb) {
    if (index >= 0 && index < kMaxLights) {
        lights_[index].diffuse = rgb;
    }
}

void Rasterizer::setLightSpecular(int index, ColourBytes bytes) {
    if (index >= 0 && index < kMaxLights) {
        lights_[index].specular = bytes;
    }
}

void Rasterizer::setLightDirection(int index, Vec3 unitTowardLight) {
    if (index < 0 || index >= kMaxLights) {
        return;
    }
    lights_[index].direction = unitTowardLight;
    // The viewer looks along +depth, so the vector toward it is (0, 0, -1).
    const Vec3 towardViewer{0.0f, 0.0f, -1.0f};
    halfVectors_[index] = normalised(unitTowardLight + towardViewer);
}

bool Rasterizer::facing(const BatchTriangle& triangle) const {
    const Vec3 v0 = eyeVector(*triangle.vertices[0]);
    const Vec3 v1 = eyeVector(*triangle.vertices[1]);
    const Vec3 v2 = eyeVector(*triangle.vertices[2]);
    return dot(cross(v0, v1), v2) >= 0.0f;
}

ClipPolygon Rasterizer::clipNear(const BatchTriangle& triangle) const {
    ClipPolygon out;
    auto toClip = [](const BatchVertex& v) { return ClipVertex{v.eyeX, v.eyeY, v.depth}; };
    auto crossing = [this](const BatchVertex& p, const BatchVertex& q) {
        const float t = (near_ - p.depth) / (q.depth - p.depth);
        return ClipVertex{p.eyeX + t * (q.eyeX - p.eyeX), p.eyeY + t * (q.eyeY - p.eyeY), near_};
    };
    // Edges (v2, v0), (v0, v1), (v1, v2).
    for (int i = 0; i < 3; ++i) {
        const BatchVertex& p = *triangle.vertices[(i + 2) % 3];
        const BatchVertex& q = *triangle.vertices[i];
        const bool pIn = p.depth >= near_;
        const bool qIn = q.depth >= near_;
        if (pIn && qIn) {
            out.v[out.count++] = toClip(q);
        } else if (pIn) {
            out.v[out.count++] = crossing(p, q);
        } else if (qIn) {
            out.v[out.count++] = crossing(p, q);
            out.v[out.count++] = toClip(q);
        }
    }
    return out;
}

void Rasterizer::project(ClipPolygon& polygon) const {
    for (int i = 0; i < polygon.count; ++i) {
        ClipVertex& v = polygon.v[i];
        v.x = cxf_ + scale_ * v.x / v.d;
        v.y = cyf_ + scale_ * v.y / v.d;
    }
}

ScreenPolygon Rasterizer::clipToViewport(const ClipPolygon& polygon) const {
    bool anyLeft = false, anyRight = false, anyBelow = false, anyAbove = false;
    for (int i = 0; i < polygon.count; ++i) {
        anyLeft |= polygon.v[i].x < 0.0f;
        anyRight |= polygon.v[i].x > clipWidth_;
        anyBelow |= polygon.v[i].y < 0.0f;
        anyAbove |= polygon.v[i].y > clipHeight_;
    }
    ClipPolygon p = polygon;
    if (anyLeft) {
        p = clipPass<true>(p, 0.0f, true);
    }
    if (anyRight && p.count > 0) {
        p = clipPass<true>(p, clipWidth_, false);
    }
    if (anyBelow && p.count > 0) {
        p = clipPass<false>(p, 0.0f, true);
    }
    ScreenPolygon out;
    if (p.count == 0) {
        return out;
    }
    // The clips above leave every coordinate in range; the clamp only keeps
    // NaN-poisoned geometry from indexing outside the buffer.
    auto emit = [&](int x, int y) {
        if (out.count < ScreenPolygon::kCapacity) {
            out.v[out.count++] = {std::clamp(x, 0, width_), std::clamp(y, 0, height_)};
        }
    };
    auto emitKept = [&](const ClipVertex& v) { emit(truncToInt(v.x), truncToInt(v.y)); };
    if (!anyAbove) {
        for (int i = 0; i < p.count; ++i) {
            emitKept(p.v[i]);
        }
        return out;
    }
    // The last pass clips y <= height while converting; its crossings sit on
    // row `height` with x rounded to nearest.
    auto emitCrossing = [&](const ClipVertex& a0, const ClipVertex& b0) {
        const ClipVertex& a = a0.y < b0.y ? a0 : b0;
        const ClipVertex& b = a0.y < b0.y ? b0 : a0;
        const float t = (clipHeight_ - a.y) / (b.y - a.y);
        emit(truncToInt(a.x + t * (b.x - a.x) + 0.5f), height_);
    };
    for (int i = 0; i < p.count; ++i) {
        const ClipVertex& a = p.v[(i + p.count - 1) % p.count];
        const ClipVertex& b = p.v[i];
        const bool aIn = a.y <= clipHeight_;
        const bool bIn = b.y <= clipHeight_;
        if (aIn && bIn) {
            emitKept(b);
        } else if (aIn) {
            emitCrossing(a, b);
        } else if (bIn) {
            emitCrossing(a, b);
            emitKept(b);
        }
    }
    return out;
}

void Rasterizer::stepEdge(int xa, int xb, int dy, int* out, std::ptrdiff_t stride) {
    const int adx = std::abs(xb - xa);
    const int s = xb < xa ? -1 : 1;
    int x = xa;
    if (adx < dy) {
        // Row i holds xa + s * ceil(i * adx / dy).
        int err = dy;
        for (int i = 0; i < dy; ++i) {
            out[i * stride] = x;
            err += adx;
            if (err > dy) {
                x += s;
                err -= dy;
            }
        }
        return;
    }
    const int q = adx / dy;
    const int r = adx % dy;
    const int step = r != 0 ? q + 1 : q;
    const int g = r != 0 ? adx + dy - r : adx;
    int err = g;
    for (int i = 0; i < dy; ++i) {
        out[i * stride] = x;
        err += adx;
        if (err > g) {
            x += s * step;
            err -= g;
        } else {
            x += s * (step - 1);
            err -= g - dy;
        }
    }
}

void Rasterizer::writeEdge(ScreenPoint a, ScreenPoint b, int yTop, bool leftSide) {
    SpanRecord* first = &spans_[static_cast<std::size_t>(a.y - yTop)];
    int* out = leftSide ? &first->left : &first->right;
    constexpr std::ptrdiff_t kStride = sizeof(SpanRecord) / sizeof(int);
    static_assert(sizeof(SpanRecord) == 2 * sizeof(int));
    stepEdge(a.x, b.x, b.y - a.y, out, kStride);
}

bool Rasterizer::buildSpans(const ScreenPolygon& polygon, int& yTop, int& yEnd) {
    const int n = polygon.count;
    if (n < 3 || spans_.empty()) {
        return false;
    }
    const auto& v = polygon.v;
    int yMin = v[0].y, yMax = v[0].y;
    for (int i = 1; i < n; ++i) {
        yMin = std::min(yMin, v[i].y);
        yMax = std::max(yMax, v[i].y);
    }
    if (yMin == yMax) {
        return false;
    }
    auto next = [n](int i) { return (i + 1) % n; };
    auto previous = [n](int i) { return (i + n - 1) % n; };

    // The top run: the vertices on row yMin, from topFirst forward to
    // topLast. Truncation keeps the clipped convex polygon monotone in y, so
    // they are consecutive. The forward chain starts at topLast, the
    // backward one at topFirst: the two ends of a horizontal top edge.
    int topFirst = 0;
    while (topFirst < n - 1 && !(v[topFirst].y == yMin && v[previous(topFirst)].y != yMin)) {
        ++topFirst;
    }
    int topLast = topFirst;
    while (v[next(topLast)].y == yMin) {
        topLast = next(topLast);
    }

    bool forwardIsLeft;
    if (v[topLast].x != v[topFirst].x) {
        forwardIsLeft = v[topLast].x < v[topFirst].x;
    } else {
        // Same start: the first edge that leans further left is the left one.
        const ScreenPoint f = v[next(topLast)];
        const ScreenPoint b = v[previous(topFirst)];
        const std::int64_t dxF = f.x - v[topLast].x, dyF = f.y - yMin;
        const std::int64_t dxB = b.x - v[topFirst].x, dyB = b.y - yMin;
        const std::int64_t turn = dxF * dyB - dxB * dyF;
        if (turn != 0) {
            forwardIsLeft = turn < 0;
        } else {
            // Collinear first edges: the winding decides. Counter-clockwise
            // (x right, y up) runs forward along the right side.
            std::int64_t area2 = 0;
            for (int i = 0; i < n; ++i) {
                const ScreenPoint a = v[i], c = v[next(i)];
                area2 +=
                    static_cast<std::int64_t>(a.x) * c.y - static_cast<std::int64_t>(c.x) * a.y;
            }
            forwardIsLeft = area2 < 0;
        }
    }

    auto walk = [&](int start, bool forward, bool leftSide) {
        int i = start;
        for (int steps = 0; v[i].y != yMax && steps < n; ++steps) {
            const int j = forward ? next(i) : previous(i);
            if (v[j].y > v[i].y) {
                writeEdge(v[i], v[j], yMin, leftSide);
            }
            i = j;
        }
    };
    walk(topLast, true, forwardIsLeft);
    walk(topFirst, false, !forwardIsLeft);
    yTop = yMin;
    yEnd = yMax;
    return true;
}

std::uint32_t Rasterizer::flatPixel(const BatchTriangle& triangle) const {
    const Vec3 v0 = eyeVector(*triangle.vertices[0]);
    const Vec3 v1 = eyeVector(*triangle.vertices[1]);
    const Vec3 v2 = eyeVector(*triangle.vertices[2]);
    Vec3 normal = cross(v1 - v0, v2 - v1);
    const float lengthSquared = dot(normal, normal);
    if (lengthSquared == 0.0f || !(std::sqrt(lengthSquared) > 0.0001f)) {
        normal = {0.0f, 0.0f, 1.0f};
    } else {
        normal = normal / std::sqrt(lengthSquared);
    }
    std::array<Fixed, 3> n{truncToFixed(normal.x), truncToFixed(normal.y), truncToFixed(normal.z)};
    ColourBytes colour = triangle.front;
    if (triangle.backFacing) {
        n = {-n[0], -n[1], -n[2]};
        colour = triangle.back;
    }
    if (lighting_) {
        const std::array<int, 3> base{colour.red, colour.green, colour.blue};
        std::array<std::int64_t, 3> acc{0, 0, 0};
        const std::vector<int>& power = specularPowerTable();
        for (int i = 0; i < kMaxLights; ++i) {
            const LightSource& light = lights_[i];
            if (!light.enabled) {
                continue;
            }
            const Fixed k = facingTerm(n, light.direction);
            const std::array<std::uint8_t, 3> lightSpecular{
                light.specular.red, light.specular.green, light.specular.blue};
            // Blinn-Phong with exponent 10; a black specular colour (the
            // show's only light) adds nothing.
            const Fixed highlight = k != 0 ? power[facingTerm(n, halfVectors_[i])] : 0;
            for (int c = 0; c < 3; ++c) {
                acc[c] += base[c] * (light.ambient[c] +
                                     (static_cast<std::int64_t>(k) * light.diffuse[c] >> 16));
                acc[c] += static_cast<std::int64_t>(lightSpecular[c]) * highlight;
                acc[c] = std::clamp<std::int64_t>(acc[c], 0, 0xFF0000);
            }
        }
        colour = {static_cast<std::uint8_t>(acc[2] >> 16), static_cast<std::uint8_t>(acc[1] >> 16),
                  static_cast<std::uint8_t>(acc[0] >> 16)};
    }
    return static_cast<std::uint32_t>(colour.red) << 16 |
           static_cast<std::uint32_t>(colour.green) << 8 | colour.blue;
}

}  // namespace render3d
