#include "imaging/PixelLayout.h"

namespace imaging {

std::optional<std::size_t> bitmapBytes(long long width, long long height) {
    if (width <= 0 || height <= 0 || width > static_cast<long long>(kMaxPixels) ||
        height > static_cast<long long>(kMaxPixels)) {
        return std::nullopt;
    }
    const auto pixels =
        static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height);
    if (pixels > kMaxPixels) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(pixels) * kBytesPerPixel;
}

BitmapInfoHeader BitmapInfoHeader::forBgrx(std::int32_t width, std::int32_t height,
                                           std::int32_t pelsPerMeter) {
    BitmapInfoHeader h;
    h.width = width;
    h.height = height;
    h.sizeImage = static_cast<std::uint32_t>(bitmapBytes(width, height).value_or(0));
    h.xPelsPerMeter = pelsPerMeter;
    h.yPelsPerMeter = pelsPerMeter;
    return h;
}

namespace {
void put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v) {
    put16(p, v);
    put16(p + 2, v >> 16);
}
std::uint32_t get16(const std::uint8_t* p) {
    return p[0] | (p[1] << 8);
}
std::uint32_t get32(const std::uint8_t* p) {
    return get16(p) | (get16(p + 2) << 16);
}
}  // namespace

void BitmapInfoHeader::writeTo(std::uint8_t* out) const {
    put32(out + 0, size);
    put32(out + 4, static_cast<std::uint32_t>(width));
    put32(out + 8, static_cast<std::uint32_t>(height));
    put16(out + 12, planes);
    put16(out + 14, bitCount);
    put32(out + 16, compression);
    put32(out + 20, sizeImage);
    put32(out + 24, static_cast<std::uint32_t>(xPelsPerMeter));
    put32(out + 28, static_cast<std::uint32_t>(yPelsPerMeter));
    put32(out + 32, clrUsed);
    put32(out + 36, clrImportant);
}

BitmapInfoHeader BitmapInfoHeader::readFrom(const std::uint8_t* in) {
    BitmapInfoHeader h;
    h.size = get32(in + 0);
    h.width = static_cast<std::int32_t>(get32(in + 4));
    h.height = static_cast<std::int32_t>(get32(in + 8));
    h.planes = static_cast<std::uint16_t>(get16(in + 12));
    h.bitCount = static_cast<std::uint16_t>(get16(in + 14));
    h.compression = get32(in + 16);
    h.sizeImage = get32(in + 20);
    h.xPelsPerMeter = static_cast<std::int32_t>(get32(in + 24));
    h.yPelsPerMeter = static_cast<std::int32_t>(get32(in + 28));
    h.clrUsed = get32(in + 32);
    h.clrImportant = get32(in + 36);
    return h;
}

}  // namespace imaging
