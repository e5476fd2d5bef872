#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/Result.h"

namespace platform {

// The largest PNG picture we decode: as many pixels as the JPEG decoder
// takes, so a forged header cannot make us allocate gigabytes.
inline constexpr std::size_t PNG_MAX_PIXELS = std::size_t{1} << 27;

// A picture in the layout of every frame buffer here: BGRX, rows bottom-up,
// stride width * 4. The fourth byte is 0.
struct BgrxPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

// Decodes a PNG file's bytes (any colour type and depth; alpha is dropped,
// 16-bit samples are reduced to 8 bits).
Result<BgrxPicture> decodePng(std::span<const std::uint8_t> bytes);

// Encodes width x height BGRX bottom-up pixels as an 8-bit RGB PNG.
Result<std::vector<std::uint8_t>> encodePng(const std::uint8_t* bgrx, int width, int height);

}  // namespace platform
