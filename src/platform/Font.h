#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

namespace platform {

// The fields of a Windows LOGFONTA that choose and shape a font.
struct LogFont {
    // Below 0: character height (the em) in pixels; above 0: cell height
    // (ascent + descent); 0: the default size.
    std::int32_t height = 0;
    std::int32_t weight = 400;  // 0 is the default (400)
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint8_t charSet = 0;
    std::string faceName;
    // The code page of the character set: text handed to the font is 8-bit
    // or double-byte text of this page.
    unsigned codePage = 1252;
};

// Font metrics as the films' platform reports them (TEXTMETRICA), in pixels.
struct TextMetrics {
    std::int32_t ascent = 0;
    std::int32_t descent = 0;
    std::int32_t height = 0;  // ascent + descent: the line height
    std::int32_t internalLeading = 0;
    std::int32_t externalLeading = 0;
    std::int32_t aveCharWidth = 0;
    std::int32_t maxCharWidth = 0;
    std::int32_t overhang = 0;  // 0 for outline fonts
};

struct TextExtent {
    std::int32_t cx = 0;
    std::int32_t cy = 0;
};

// A character's left bearing (a), ink width (b) and right bearing (c).
struct AbcWidths {
    std::int32_t a = 0;
    std::int32_t b = 0;
    std::int32_t c = 0;
};

// An 8-bit grey image with rows stored bottom-up, as the glyph strips are.
struct GreyImage {
    std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

// A scalable font chosen by fontconfig and drawn by FreeType without
// anti-aliasing, standing in for a GDI font: metrics, extents and ABC widths
// follow the Windows rules for TrueType fonts. Characters are named by their
// code in the font's code page: one byte, or lead byte * 256 + trail byte.
class Font {
  public:
    // nullptr when no font can be found or loaded (why goes to error).
    static std::unique_ptr<Font> create(const LogFont& logFont, std::string* error = nullptr);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    const TextMetrics& metrics() const { return metrics_; }
    // GetTextExtentPoint32A of one character: its advance and the line height.
    TextExtent textExtent(std::uint16_t code);
    // GetCharABCWidthsA; nullopt when the character cannot be loaded.
    std::optional<AbcWidths> abcWidths(std::uint16_t code);
    // Draws the character in ink 0 onto the image, pen at x, baseline at y
    // (both counted from the image's top-left corner), clipped to the image.
    // Underline and strike-out are drawn across the advance.
    void draw(const GreyImage& image, int x, int baseline, std::uint16_t code);

    // The font file fontconfig chose.
    const std::string& fontFile() const;

  private:
    struct Impl;
    struct Glyph;
    explicit Font(std::unique_ptr<Impl> impl);
    const Glyph* glyph(std::uint16_t code);

    std::unique_ptr<Impl> impl_;
    TextMetrics metrics_;
};

}  // namespace platform
