#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Font.h"

namespace platform {
namespace {

std::unique_ptr<Font> open(const std::string& face, int height, int weight = 400,
                           std::uint8_t charSet = 0, unsigned codePage = 1252) {
    LogFont logFont;
    logFont.faceName = face;
    logFont.height = height;
    logFont.weight = weight;
    logFont.charSet = charSet;
    logFont.codePage = codePage;
    auto font = Font::create(logFont);
    EXPECT_TRUE(font) << face;
    return font;
}

std::string fileName(const Font& font) {
    return font.fontFile().substr(font.fontFile().rfind('/') + 1);
}

struct Canvas {
    explicit Canvas(int w, int h)
        : width(w), height(h), pixels(static_cast<std::size_t>(w * h), 255) {}
    GreyImage image() { return {pixels.data(), width, height, width}; }
    // Top-down coordinates; rows are stored bottom-up.
    std::uint8_t at(int x, int y) const {
        return pixels[static_cast<std::size_t>((height - 1 - y) * width + x)];
    }
    int ink() const { return static_cast<int>(std::count(pixels.begin(), pixels.end(), 0)); }
    int width;
    int height;
    std::vector<std::uint8_t> pixels;
};

TEST(Font, WindowsFacesFindTheirMetricCompatibleFonts) {
    const struct {
        const char* face;
        const char* file;
    } cases[] = {
        {"Arial", "LiberationSans-Regular"},
        {"Times New Roman", "LiberationSerif-Regular"},
        {"Courier New", "LiberationMono-Regular"},
        {"Calibri", "Carlito-Regular"},
        {"Cambria", "Caladea-Regular"},
    };
    for (const auto& c : cases) {
        const auto font = open(c.face, -20);
        ASSERT_TRUE(font);
        EXPECT_EQ(fileName(*font).rfind(c.file, 0), 0u) << c.face << " -> " << font->fontFile();
    }
    EXPECT_NE(fileName(*open("Arial", -20, 700)).find("Bold"), std::string::npos);
}

TEST(Font, NegativeHeightsNameTheCharacterAndPositiveOnesTheCell) {
    for (int size : {13, 40, 100}) {
        const auto byCharacter = open("Arial", -size);
        const TextMetrics& m = byCharacter->metrics();
        EXPECT_EQ(m.height, m.ascent + m.descent);
        EXPECT_EQ(m.height - m.internalLeading, size) << size;
        EXPECT_GT(m.internalLeading, 0);
        const auto byCell = open("Arial", size);
        EXPECT_NEAR(byCell->metrics().height, size, 1) << size;
        EXPECT_LT(byCell->metrics().ascent, m.ascent);
    }
}

TEST(Font, WidthsExtentsAndAbcWidthsAgree) {
    const auto mono = open("Courier New", -100);
    const TextMetrics& m = mono->metrics();
    EXPECT_EQ(m.aveCharWidth, 60);  // 0.6 em
    EXPECT_EQ(m.overhang, 0);
    for (std::uint16_t code : {'i', 'W', '.'}) {
        EXPECT_EQ(mono->textExtent(code).cx, 60) << code;
        EXPECT_EQ(mono->textExtent(code).cy, m.height);
    }
    const auto sans = open("Arial", -50);
    for (std::uint16_t code : {'i', 'W', 'f', 'j', ' '}) {
        const auto abc = sans->abcWidths(code);
        ASSERT_TRUE(abc) << code;
        EXPECT_EQ(abc->a + abc->b + abc->c, sans->textExtent(code).cx) << code;
        EXPECT_LE(sans->textExtent(code).cx, sans->metrics().maxCharWidth) << code;
    }
    EXPECT_LT(sans->textExtent('i').cx, sans->textExtent('W').cx);
    EXPECT_GT(open("Arial", -50, 700)->textExtent('i').cx, sans->textExtent('i').cx);
}

TEST(Font, DrawsWithoutAntiAliasing) {
    auto font = open("Times New Roman", -60);
    Canvas canvas(80, 80);
    font->draw(canvas.image(), 10, 60, 'g');
    EXPECT_GT(canvas.ink(), 50);
    EXPECT_TRUE(std::all_of(canvas.pixels.begin(), canvas.pixels.end(),
                            [](std::uint8_t v) { return v == 0 || v == 255; }));
    // Clipped at every edge without writing outside the image.
    Canvas tiny(4, 4);
    font->draw(tiny.image(), -10, 30, 'W');
}

TEST(Font, UnderlineAndStrikeOutRunAcrossTheAdvance) {
    LogFont logFont;
    logFont.faceName = "Arial";
    logFont.height = -40;
    logFont.underline = true;
    logFont.strikeOut = true;
    auto font = Font::create(logFont);
    ASSERT_TRUE(font);
    Canvas canvas(60, 60);
    font->draw(canvas.image(), 5, 40, ' ');
    // A space has no ink of its own: what is drawn are the two lines.
    EXPECT_EQ(canvas.at(6, 39), 255);
    int inkedRows = 0;
    for (int y = 0; y < 60; ++y) {
        inkedRows += canvas.at(6, y) == 0 ? 1 : 0;
    }
    EXPECT_GE(inkedRows, 2);
    EXPECT_EQ(canvas.at(5 + font->textExtent(' ').cx, 41), 255);
}

TEST(Font, CharactersAreReadInTheCodePageOfTheCharacterSet) {
    // 0xC0 is A with grave in 1252 and Cyrillic A in 1251.
    auto western = open("Arial", -40);
    auto cyrillic = open("Arial", -40, 400, 204, 1251);
    Canvas a(60, 60), b(60, 60);
    western->draw(a.image(), 5, 45, 0xC0);
    cyrillic->draw(b.image(), 5, 45, 0xC0);
    EXPECT_GT(b.ink(), 0);
    EXPECT_NE(a.pixels, b.pixels);
    // Shift-JIS hiragana A finds a font that has it.
    auto japanese = open("MS Gothic", -40, 400, 128, 932);
    const auto abc = japanese->abcWidths(0x82A0);
    ASSERT_TRUE(abc);
    EXPECT_GT(abc->b, 10);
}

}  // namespace
}  // namespace platform
