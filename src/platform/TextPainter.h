#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

// A 32-bit BGRX canvas with rows stored bottom-up (the show's pixel layout).
struct Canvas {
    std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
};

struct FontRequest {
    std::string faceName;  // a Windows face name ("Times New Roman") or any fontconfig family
    int pixelHeight = 12;  // em height in pixels
    bool bold = false;
    bool italic = false;
};

// Draws single lines of UTF-8 text, anti-aliased, with the installed font
// that fontconfig finds closest to the request (metric-compatible free fonts
// stand in for the Windows faces).
class TextPainter {
  public:
    static std::unique_ptr<TextPainter> open(const FontRequest& request,
                                             std::string* error = nullptr);
    ~TextPainter();
    TextPainter(const TextPainter&) = delete;
    TextPainter& operator=(const TextPainter&) = delete;

    int ascent() const;
    int lineHeight() const;
    // Advance width of the text in pixels.
    int measure(std::string_view utf8);
    // Draws text whose line box has its top-left corner at (x, y), y counted
    // from the top of the canvas; clipped to the canvas. rgb is 0xRRGGBB.
    void draw(const Canvas& canvas, int x, int y, std::string_view utf8, std::uint32_t rgb);

    // The font file fontconfig chose.
    const std::string& fontFile() const;

  private:
    struct Impl;
    explicit TextPainter(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
