#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "film/TextStyle.h"
#include "platform/Font.h"

namespace effects {

class GlyphCache;

// One laid-out character of a title. The player's glyph buffer holds
// TITLE_GLYPH_CAPACITY of these; layout drops characters beyond it.
struct GlyphRecord {
    std::uint16_t code = 0;  // one byte, or lead byte * 256 + trail byte
    std::uint16_t line = 0;  // among the lines that hold characters
    std::int32_t x = 0;      // left edge within the block, alignment applied
    std::int32_t y = 0;      // baseline within the block
    std::int32_t width = 0;  // character cell at the style's size
    std::int32_t height = 0;
};
static_assert(sizeof(GlyphRecord) == 20);
inline constexpr int TITLE_GLYPH_CAPACITY = 256;

// One text item of a title as the title handlers see it: the style with its
// position and font height already mapped to the target, and the glyph images
// that Begin builds and End releases. The frame block hands the record over
// read-only, so the cache slot is mutable.
struct TitleTextRecord {
    TitleTextRecord();
    explicit TitleTextRecord(const film::TextStyle& style);
    ~TitleTextRecord();
    TitleTextRecord(TitleTextRecord&&) noexcept;
    TitleTextRecord& operator=(TitleTextRecord&&) noexcept;

    film::TextStyle style;
    mutable std::unique_ptr<GlyphCache> cache;
};

// The style's font at twice its height, as glyphs are measured and cached.
platform::LogFont doubleSizeFont(const film::TextStyle& style);

// Halves the metrics that layout and drawing read from the double-size font.
platform::TextMetrics halveMetrics(const platform::TextMetrics& metrics);

// Lays the text (bytes of the font's code page, CR LF between lines) out
// into glyphs and writes the block size into the style (and into size[0],
// size[1] when given). Returns the glyph count; 0 when the font cannot be
// made.
int layoutText(film::TextStyle& style, std::string_view text, std::span<GlyphRecord> glyphs,
               std::int32_t* size = nullptr);

}  // namespace effects
