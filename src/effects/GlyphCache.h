#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "effects/FrameBlocks.h"
#include "effects/TitleText.h"
#include "platform/Font.h"

namespace effects {

// The glyph images of one title, rendered once at twice the style's size
// into 8-bit strips, and the compositing of one glyph onto a 32-bit target
// at any position, opacity, scale and angle.
class GlyphCache {
  public:
    // One cell per glyph, cell i in memory rows i * cellHeight onward (rows
    // bottom-up); a row is cellWidth bytes.
    struct Strip {
        int cellWidthShift = 0;
        int cellWidth = 0;
        int cellHeight = 0;
        std::vector<std::uint8_t> pixels;
    };
    struct Parts {
        platform::TextMetrics metrics;  // of the double-size font, halved
        Strip glyphs;                   // 255 background, 0 ink
        Strip shadows;                  // shadow strength; empty without a shadow
        std::vector<int> advances;      // per glyph, double size
    };

    // Renders the glyphs of the style's text; nullptr when the font cannot
    // be made or the strips would be unreasonably large.
    static std::unique_ptr<GlyphCache> build(const film::TextStyle& style,
                                             std::span<const GlyphRecord> glyphs);
    explicit GlyphCache(Parts parts);

    // Where drawGlyph draws: a width x height BGRX surface, rows bottom-up.
    void setTarget(Pixel* pixels, int width, int height);

    const platform::TextMetrics& metrics() const { return parts_.metrics; }
    int glyphCount() const { return static_cast<int>(parts_.advances.size()); }
    const Parts& parts() const { return parts_; }

    // Draws glyph `index` with its baseline's left end at (x, y), y counted
    // from the top. colour is a COLORREF (red in the low byte); opacity
    // 0..255; scaleX, scaleY 16.16 (0x10000 draws at the style's size);
    // angle in tenths of a degree, counter-clockwise. With shadow set a soft
    // shadow is drawn first, down and to the right. Returns 1.
    int drawGlyph(int x, int y, std::uint32_t colour, int opacity, bool shadow, int index,
                  int scaleX, int scaleY, int angle) const;

  private:
    Parts parts_;
    Pixel* target_ = nullptr;
    int targetWidth_ = 0;
    int targetHeight_ = 0;
};

// Builds the cache of the block's text record and hangs it on the record.
// Returns 1, or 0 when it could not be built.
int buildGlyphCache(const TitleFrameBlock& block);
// Drops the record's cache, if any.
void releaseGlyphCache(const TitleFrameBlock& block);

}  // namespace effects
