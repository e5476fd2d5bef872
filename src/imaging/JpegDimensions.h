#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace imaging {

struct JpegDimensions {
    int width = 0;
    int height = 0;
    int components = 0;
    bool baseline = false;  // SOF0: what the show's decoder reads
};

// Width and height from the frame header of a JPEG file, reading markers up
// to the first SOF; nullopt when the bytes are not a JPEG or end too early.
std::optional<JpegDimensions> readJpegDimensions(std::span<const std::uint8_t> bytes);

}  // namespace imaging
