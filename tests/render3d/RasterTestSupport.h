#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "render3d/Rasterizer.h"

namespace render3d::testing {

inline constexpr std::uint32_t kBackground = 0xDEADBEEFu;

// A triangle given by eye x, eye y and depth of its vertices, as the
// rendering context hands it to the rasteriser.
class EyeTriangle {
  public:
    EyeTriangle(Vec3 a, Vec3 b, Vec3 c) {
        const Vec3 p[3] = {a, b, c};
        for (int i = 0; i < 3; ++i) {
            vertices_[i].eyeX = p[i].x;
            vertices_[i].eyeY = p[i].y;
            vertices_[i].depth = p[i].z;
            triangle_.vertices[i] = &vertices_[i];
        }
        triangle_.front = {10, 20, 30};
        triangle_.back = {40, 50, 60};
    }
    EyeTriangle(const EyeTriangle&) = delete;
    EyeTriangle& operator=(const EyeTriangle&) = delete;

    EyeTriangle& uv(int i, float s, float t) {
        vertices_[i].s = s;
        vertices_[i].t = t;
        return *this;
    }
    EyeTriangle& texture(const TextureImage* image) {
        triangle_.texture = image;
        return *this;
    }
    BatchTriangle& get() { return triangle_; }

  private:
    std::array<BatchVertex, 3> vertices_{};
    BatchTriangle triangle_;
};

// A width x height buffer and a rasteriser whose projection maps eye
// (x, y, depth 1) to screen (x, y): volume left 0, right width, bottom
// -height, top 0, near 1, so scale 1 and centre (0, 0).
struct ScreenRig {
    int width;
    int height;
    std::vector<std::uint32_t> pixels;
    Rasterizer rasterizer;

    ScreenRig(int w, int h)
        : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, kBackground) {
        RasterConfig config;
        config.perspective = true;
        config.width = w;
        config.height = h;
        config.left = 0.0f;
        config.right = static_cast<float>(w);
        config.bottom = static_cast<float>(-h);
        config.top = 0.0f;
        config.nearPlane = 1.0f;
        config.farPlane = 10.0f;
        config.buffer = pixels.data();
        rasterizer.configure(config);
    }

    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }

    // The whole path of one triangle through the rasteriser.
    void draw(BatchTriangle& triangle, bool textured = false) {
        triangle.backFacing = !rasterizer.facing(triangle);
        ClipPolygon polygon = rasterizer.clipNear(triangle);
        if (polygon.count == 0) {
            return;
        }
        rasterizer.project(polygon);
        const ScreenPolygon screen = rasterizer.clipToViewport(polygon);
        if (screen.count == 0) {
            return;
        }
        if (textured) {
            rasterizer.fillTextured(screen, triangle);
        } else {
            rasterizer.fillFlat(screen, triangle);
        }
    }

    // Fills a screen polygon directly with the flat colour of a dummy
    // triangle; returns the pixel word painted.
    std::uint32_t fillPolygon(std::initializer_list<ScreenPoint> corners) {
        ScreenPolygon polygon;
        for (const ScreenPoint& p : corners) {
            polygon.v[polygon.count++] = p;
        }
        EyeTriangle dummy({0, 0, 1}, {1, 0, 1}, {0, 1, 1});
        rasterizer.fillFlat(polygon, dummy.get());
        return rasterizer.flatPixel(dummy.get());
    }

    // Columns painted on row y, as [first, last + 1), or {-1, -1} if none.
    std::pair<int, int> rowExtent(int y) const {
        int first = -1, end = -1;
        for (int x = 0; x < width; ++x) {
            if (at(x, y) != kBackground) {
                if (first < 0) {
                    first = x;
                }
                end = x + 1;
            }
        }
        return {first, end};
    }

    int paintedCount() const {
        int n = 0;
        for (std::uint32_t p : pixels) {
            n += p != kBackground;
        }
        return n;
    }
};

}  // namespace render3d::testing
