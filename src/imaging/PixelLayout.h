#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace imaging {

// Every bitmap of the show: 32-bit pixels, bytes blue, green, red, unused;
// rows bottom-up; stride width * 4 without padding.
inline constexpr int kBytesPerPixel = 4;

// The largest picture we agree to hold: 2^28 pixels (1 GiB of BGRX), far
// above any camera's photo, far below what a forged header could ask for.
inline constexpr std::size_t kMaxPixels = std::size_t{1} << 28;

// Bytes of a width x height 32-bit bitmap, or nullopt when a side is not
// positive or the picture is larger than kMaxPixels.
std::optional<std::size_t> bitmapBytes(long long width, long long height);

// The packed bitmap's two headers: a 14-byte file header, then the 40-byte
// info header, then the pixels.
inline constexpr std::size_t DIB_FILE_HEADER_SIZE = 14;
inline constexpr std::size_t DIB_INFO_HEADER_SIZE = 40;
inline constexpr std::size_t DIB_HEADER_SIZE = DIB_FILE_HEADER_SIZE + DIB_INFO_HEADER_SIZE;
inline constexpr std::uint32_t DIB_COMPRESSION_RGB = 0;

// The 40-byte info header that describes every bitmap we hand around.
struct BitmapInfoHeader {
    std::uint32_t size = DIB_INFO_HEADER_SIZE;
    std::int32_t width = 0;
    std::int32_t height = 0;  // positive: rows bottom-up
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 32;
    std::uint32_t compression = DIB_COMPRESSION_RGB;
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;

    bool operator==(const BitmapInfoHeader&) const = default;

    // A 32-bit header for width x height (image size width * height * 4).
    static BitmapInfoHeader forBgrx(std::int32_t width, std::int32_t height,
                                    std::int32_t pelsPerMeter = 0);

    // Little-endian, DIB_INFO_HEADER_SIZE bytes.
    void writeTo(std::uint8_t* out) const;
    static BitmapInfoHeader readFrom(const std::uint8_t* in);
};

}  // namespace imaging
