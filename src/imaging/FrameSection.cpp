#include "imaging/FrameSection.h"

namespace imaging {

std::optional<FrameSection> FrameSection::create(int width, int height, int pelsPerMeter) {
    const auto bytes = bitmapBytes(width, height);
    if (!bytes) {
        return std::nullopt;
    }
    PixelMemory memory(static_cast<std::uint8_t*>(std::calloc(*bytes, 1)));
    if (!memory) {
        return std::nullopt;
    }
    return FrameSection(BitmapInfoHeader::forBgrx(width, height, pelsPerMeter), std::move(memory));
}

std::optional<FrameSection> createFrameSection(BitmapInfoHeader* header, int width, int height) {
    constexpr int kPelsPerMeter = 100;
    auto section = FrameSection::create(width, height, kPelsPerMeter);
    if (section && header) {
        *header = section->header();
    }
    return section;
}

std::optional<StageFrame> StageFrame::create(int width, int height) {
    if (width % 2 != 0 || height % 2 != 0) {
        return std::nullopt;
    }
    auto section = FrameSection::create(width, height);
    if (!section) {
        return std::nullopt;
    }
    return StageFrame(std::move(*section));
}

}  // namespace imaging
