#pragma once

#include <cstdint>

namespace effects {

// Every buffer an effect touches: 32-bit pixels, bytes blue, green, red,
// unused; rows bottom-up (memory row 0 is the bottom row on screen); stride
// width * 4 without padding.
using Pixel = std::uint32_t;

// The size word both blocks carry; the title block is longer but has always
// said 64 too.
inline constexpr std::uint32_t FRAME_BLOCK_SIZE = 64;

// What a caller hands runPicture: the first eight fields of a
// PictureFrameBlock. The size word is not read.
struct PictureFrameData {
    std::uint32_t size = 0;
    const Pixel* from = nullptr;  // outgoing picture
    const Pixel* to = nullptr;    // incoming picture
    Pixel* out = nullptr;         // what the handler writes and the player shows
    std::int32_t width = 0;       // of all three buffers
    std::int32_t height = 0;
    std::int32_t elapsed = 0;   // ms since the effect began (0 on Begin)
    std::int32_t duration = 0;  // ms the effect lasts (100 on Begin)
};

// The block a picture handler receives. The registry fills it from the
// caller's data and adds direction and parameter from the slot's record; on
// End only those two are set and a handler must not read the rest.
struct PictureFrameBlock {
    std::uint32_t size = FRAME_BLOCK_SIZE;
    const Pixel* from = nullptr;
    const Pixel* to = nullptr;
    Pixel* out = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t elapsed = 0;
    std::int32_t duration = 0;
    std::uint16_t direction = 0;
    std::uint8_t reserved[26] = {};
    std::int32_t parameter = 0;
};

// Laid out by the title text code: the title's text record and its glyph list.
struct TitleTextRecord;
struct GlyphRecord;

// What a caller hands runTitle: the first ten fields of a TitleFrameBlock.
struct TitleFrameData {
    std::uint32_t size = 0;
    void* deviceContext = nullptr;  // drawing context of the title surface
    Pixel* target = nullptr;        // pixels of the title surface
    const TitleTextRecord* text = nullptr;
    const GlyphRecord* glyphs = nullptr;
    std::int32_t glyphCount = 0;
    std::int32_t width = 0;  // of the title surface
    std::int32_t height = 0;
    std::int32_t elapsed = 0;   // ms since the title animation began (0 on Begin)
    std::int32_t duration = 0;  // ms the animation lasts (100 on Begin)
};

// The block a title handler receives; on End only the text record is set.
struct TitleFrameBlock {
    std::uint32_t size = FRAME_BLOCK_SIZE;
    void* deviceContext = nullptr;
    Pixel* target = nullptr;
    const TitleTextRecord* text = nullptr;
    const GlyphRecord* glyphs = nullptr;
    std::int32_t glyphCount = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t elapsed = 0;
    std::int32_t duration = 0;
    std::uint16_t direction = 0;
    std::uint8_t reserved[26] = {};
    std::int32_t parameter = 0;
};

// True when the block names three pictures of a positive size: the least a
// handler needs before it reads or writes a pixel.
inline bool hasPictures(const PictureFrameBlock& block) {
    return block.from != nullptr && block.to != nullptr && block.out != nullptr &&
           block.width > 0 && block.height > 0;
}

}  // namespace effects
