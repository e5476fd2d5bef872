#pragma once

#include <array>
#include <cstdint>

namespace render3d {

// A texture as the rendering context keeps it: a reference to the caller's
// width x height pixels (32-bit words, rows bottom-up), never a copy.
// Width and height are powers of two from 1 to 1024.
struct TextureImage {
    int width = 0;
    int height = 0;
    int log2Width = 0;
    int log2Height = 0;
    const std::uint32_t* pixels = nullptr;
};

// One submitted vertex of the triangle batch.
struct BatchVertex {
    float objectX = 0.0f, objectY = 0.0f, objectZ = 0.0f;
    // Eye position; depth is the negated eye z, positive in front of the
    // camera. Filled by the flush.
    float eyeX = 0.0f, eyeY = 0.0f, depth = 0.0f;
    // The current normal at submission, z negated like the depth.
    float normalX = 0.0f, normalY = 0.0f, normalZ = 0.0f;
    float s = 0.0f, t = 0.0f;
};

// Colour bytes in pixel order.
struct ColourBytes {
    std::uint8_t blue = 0, green = 0, red = 0;
    bool operator==(const ColourBytes&) const = default;
};

// One completed triangle of the batch.
struct BatchTriangle {
    ColourBytes front;
    ColourBytes back;
    bool backFacing = false;
    std::array<const BatchVertex*, 3> vertices{};
    float minDepth = 0.0f;
    float maxDepth = 0.0f;
    const TextureImage* texture = nullptr;  // bound when the triangle was completed
};

}  // namespace render3d
