#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "effects/GlyphCache.h"
#include "effects/TitleText.h"
#include "platform/Font.h"

namespace effects {
namespace {

film::TextStyle arialStyle(int alignment = 0, int lineSpacing = 100) {
    film::TextStyle style;
    style.setPosition(10, 20);
    style.setFont(-20, 400, false, 0, "Arial");
    style.setLineSpacing(lineSpacing);
    style.setAlignment(alignment);
    return style;
}

int lineHeightOf(const film::TextStyle& style) {
    return halveMetrics(platform::Font::create(doubleSizeFont(style))->metrics()).height;
}

struct Layout {
    film::TextStyle style;
    std::array<GlyphRecord, TITLE_GLYPH_CAPACITY> glyphs{};
    int count = 0;
    std::array<std::int32_t, 2> size{};
};

Layout layOut(const std::string& text, film::TextStyle style = arialStyle()) {
    Layout layout{style, {}, 0, {}};
    layout.count = layoutText(layout.style, text, layout.glyphs, layout.size.data());
    return layout;
}

TEST(TitleLayout, LineBreakStartsANewLineOneLineHeightLower) {
    const Layout l = layOut("AB\r\nC");
    const int lineHeight = lineHeightOf(l.style);
    ASSERT_EQ(l.count, 3);
    EXPECT_EQ(l.glyphs[0].line, 0);
    EXPECT_EQ(l.glyphs[1].line, 0);
    EXPECT_EQ(l.glyphs[2].line, 1);
    EXPECT_EQ(l.glyphs[0].x, 0);
    EXPECT_EQ(l.glyphs[1].x, l.glyphs[0].width);
    EXPECT_EQ(l.glyphs[2].x, 0);
    EXPECT_EQ(l.glyphs[2].y, l.glyphs[0].y + lineHeight);
    EXPECT_EQ(l.glyphs[0].code, 'A');
    EXPECT_EQ(l.size[0], l.glyphs[0].width + l.glyphs[1].width);
    EXPECT_EQ(l.style.blockWidth(), l.size[0]);
    EXPECT_EQ(l.style.blockHeight(), l.size[1]);
    EXPECT_GT(l.glyphs[0].height, 0);
}

TEST(TitleLayout, EmptyLinesAdvanceTheBaselineButTakeNoLineIndex) {
    const Layout l = layOut("A\r\n\r\nB");
    const int lineHeight = lineHeightOf(l.style);
    ASSERT_EQ(l.count, 2);
    EXPECT_EQ(l.glyphs[1].line, 1);
    EXPECT_EQ(l.glyphs[1].y, l.glyphs[0].y + 2 * lineHeight);
    // Line spacing in percent of the line height.
    const Layout spaced = layOut("A\r\nB", arialStyle(0, 150));
    EXPECT_EQ(spaced.glyphs[1].y, spaced.glyphs[0].y + 150 * lineHeight / 100);
}

TEST(TitleLayout, AlignmentMovesShortLines) {
    const struct {
        int alignment;
        const char* what;
    } cases[] = {{0, "left"}, {1, "centred"}, {2, "right"}, {7, "centred"}};
    for (const auto& c : cases) {
        const Layout l = layOut("WWW\r\nI", arialStyle(c.alignment));
        ASSERT_EQ(l.count, 4);
        const int room = l.size[0] - l.glyphs[3].width;
        const int expected = c.alignment == 0 ? 0 : c.alignment == 2 ? room : room / 2;
        EXPECT_EQ(l.glyphs[3].x, expected) << c.what;
        EXPECT_EQ(l.glyphs[0].x, 0) << c.what;  // the widest line does not move
    }
}

TEST(TitleLayout, DoubleByteCharactersCountOnceAndKeepBothBytes) {
    film::TextStyle style = arialStyle();
    style.setFont(-20, 400, false, 128, "MS Gothic");  // Shift-JIS
    const Layout l = layOut("\x82\xa0x\x82\xa2", style);
    ASSERT_EQ(l.count, 3);
    EXPECT_EQ(l.glyphs[0].code, 0x82A0);
    EXPECT_EQ(l.glyphs[1].code, 'x');
    EXPECT_EQ(l.glyphs[2].code, 0x82A2);
    EXPECT_GT(l.glyphs[0].width, l.glyphs[1].width);
    // A lead byte with nothing after it stays a single byte.
    const Layout cut = layOut("x\x82", style);
    ASSERT_EQ(cut.count, 2);
    EXPECT_EQ(cut.glyphs[1].code, 0x82);
}

TEST(TitleLayout, DropsGlyphsBeyondTheBufferAndStopsAtAZeroByte) {
    EXPECT_EQ(layOut(std::string(300, 'a')).count, TITLE_GLYPH_CAPACITY);
    EXPECT_EQ(layOut(std::string("ab\0cd", 5)).count, 2);
    const Layout empty = layOut("");
    EXPECT_EQ(empty.count, 0);
    EXPECT_EQ(empty.size[0], 0);
}

// A cache with one 16 x 16 glyph (8 x 8 drawn) that is ink all over, ascent 4 and line
// height 8 at the drawn size, over a 24 x 24 grey target.
struct SolidGlyph {
    static constexpr Pixel GREY = 0x00646464;
    static constexpr std::uint32_t RED = 0x000000FF;  // COLORREF

    explicit SolidGlyph(bool withShadow = false) : cache(parts(withShadow)) {
        target.assign(24 * 24, GREY);
        cache.setTarget(target.data(), 24, 24);
    }
    static GlyphCache::Parts parts(bool withShadow) {
        GlyphCache::Parts p;
        p.metrics.ascent = 8;
        p.metrics.height = 8;
        p.glyphs = {4, 16, 16, std::vector<std::uint8_t>(16 * 16, 0)};
        if (withShadow) {
            p.shadows = {5, 32, 22, std::vector<std::uint8_t>(32 * 22, 255)};
        }
        p.advances = {16};
        return p;
    }
    // Glyph centre: x + 16 / 4 across, (y - 8) + 16 / 4 down.
    Pixel at(int x, int y) const { return target[static_cast<std::size_t>((24 - y) * 24 + x)]; }
    void draw(int opacity, int angle = 0, int scale = 0x10000, bool shadow = false) {
        cache.drawGlyph(8, 16, RED, opacity, shadow, 0, scale, scale, angle);
    }

    GlyphCache cache;
    std::vector<Pixel> target;
};

TEST(GlyphDrawing, OpacityMovesCoveredPixelsToTheColourInSixtyFourths) {
    const struct {
        int opacity;
        Pixel centre;
    } cases[] = {
        // 100 + (S * (t - 100)) >> 8 per channel, S = (opacity >> 2) * 4.
        {0, 0x00646464},   {3, 0x00646464}, {255, 0x00FC0101},  // 252/256 of the way, not all of it
        {400, 0x00FC0101},                                      // clamped
        {128, 0x00B13232},
    };
    for (const auto& c : cases) {
        SolidGlyph g;
        g.draw(c.opacity);
        EXPECT_EQ(g.at(12, 12), c.centre) << c.opacity;
        EXPECT_EQ(g.at(20, 20), SolidGlyph::GREY) << c.opacity;
    }
}

TEST(GlyphDrawing, AnglesWrapAroundAndTurnTheBox) {
    const auto drawn = [](int angle) {
        SolidGlyph g;
        g.draw(255, angle);
        return g.target;
    };
    EXPECT_EQ(drawn(3600), drawn(0));
    EXPECT_EQ(drawn(-10), drawn(3590));
    EXPECT_EQ(drawn(-3610), drawn(3590));
    EXPECT_NE(drawn(450), drawn(0));
}

TEST(GlyphDrawing, PositiveAnglesTurnCounterClockwise) {
    // Ink in the glyph's top half only (cell rows are stored bottom-up).
    GlyphCache::Parts parts = SolidGlyph::parts(false);
    std::fill(parts.glyphs.pixels.begin(), parts.glyphs.pixels.begin() + 16 * 8, 255);
    const auto inkedAt = [&](int angle, int x, int y) {
        GlyphCache cache(parts);
        std::vector<Pixel> target(24 * 24, SolidGlyph::GREY);
        cache.setTarget(target.data(), 24, 24);
        cache.drawGlyph(8, 16, SolidGlyph::RED, 255, false, 0, 0x10000, 0x10000, angle);
        return target[static_cast<std::size_t>((24 - y) * 24 + x)] != SolidGlyph::GREY;
    };
    // The glyph's centre is at (12, 12).
    EXPECT_TRUE(inkedAt(0, 12, 10));
    EXPECT_FALSE(inkedAt(0, 12, 14));
    EXPECT_TRUE(inkedAt(900, 10, 12));  // its top now faces left
    EXPECT_FALSE(inkedAt(900, 14, 12));
    EXPECT_TRUE(inkedAt(-900, 14, 12));
}

TEST(GlyphDrawing, ScaleZeroDrawsAtAMinimalSizeAndBigScalesClip) {
    for (int scale : {0, 1, -1, 7}) {
        SolidGlyph g;
        g.draw(255, 0, scale);  // must not divide by zero
        EXPECT_EQ(g.at(2, 2), SolidGlyph::GREY);
    }
    SolidGlyph big;
    big.draw(255, 300, 0x7FFFFFFF);
    EXPECT_EQ(big.at(0, 23), 0x00FC0101);
}

TEST(GlyphDrawing, FullShadowAtFullOpacityTurnsTheBackgroundBlack) {
    SolidGlyph g(true);
    g.draw(255, 0, 0x10000, true);
    // The shadow lies 8 / 36 + 3 = 3 pixels right of and below the glyph.
    EXPECT_EQ(g.at(12, 12), 0x00FB0000);  // the glyph is drawn over its own shadow
    EXPECT_EQ(g.at(17, 15), 0x00000000);
    EXPECT_EQ(g.at(2, 2), SolidGlyph::GREY);
    SolidGlyph faint(true);
    faint.draw(0, 0, 0x10000, true);
    EXPECT_EQ(faint.target, std::vector<Pixel>(24 * 24, SolidGlyph::GREY));
}

TEST(GlyphDrawing, AnAdvanceWiderThanItsCellReadsOnlyTheCell) {
    // Italic overhangs can make a glyph's advance exceed its cell.
    GlyphCache::Parts parts = SolidGlyph::parts(true);
    parts.advances = {64};
    GlyphCache cache(std::move(parts));
    std::vector<Pixel> target(24 * 24, SolidGlyph::GREY);
    cache.setTarget(target.data(), 24, 24);
    cache.drawGlyph(0, 16, SolidGlyph::RED, 255, true, 0, 0x10000, 0x10000, 900);
    EXPECT_NE(target, std::vector<Pixel>(24 * 24, SolidGlyph::GREY));
}

TEST(TitleLayout, HugeHeightsAndSpacingsStayInRange) {
    film::TextStyle style = arialStyle(0, 0x7FFFFFFF);
    style.setFont(-100000, 400, false, 0, "Arial");
    const Layout l = layOut("A\r\nB\r\nC", style);
    ASSERT_EQ(l.count, 3);
    EXPECT_GT(l.glyphs[1].y, l.glyphs[0].y);
    EXPECT_LT(l.glyphs[0].height, 1500);  // drawn at most 2048 pixels high
    EXPECT_GT(l.size[1], 0);
}

TEST(GlyphCacheBuild, RefusesStripsBeyondAllReason) {
    film::TextStyle style = arialStyle();
    style.setFont(-100000, 400, false, 0, "Arial");
    Layout l = layOut(std::string(300, 'W'), style);
    ASSERT_EQ(l.count, TITLE_GLYPH_CAPACITY);
    EXPECT_FALSE(GlyphCache::build(l.style, l.glyphs));
}

TEST(GlyphCacheBuild, RendersWithoutAntiAliasing) {
    film::TextStyle style = arialStyle();
    style.setFont(-40, 700, false, 0, "Arial");
    style.setShadow(true);
    Layout l = layOut("Ag", style);
    auto cache = GlyphCache::build(l.style, std::span<const GlyphRecord>(l.glyphs.data(), 2));
    ASSERT_TRUE(cache);
    const auto& glyphs = cache->parts().glyphs;
    EXPECT_EQ(glyphs.cellWidth, 1 << glyphs.cellWidthShift);
    EXPECT_EQ(glyphs.pixels.size(),
              static_cast<std::size_t>(glyphs.cellWidth * glyphs.cellHeight * 2));
    EXPECT_TRUE(std::all_of(glyphs.pixels.begin(), glyphs.pixels.end(),
                            [](std::uint8_t v) { return v == 0 || v == 255; }));
    EXPECT_TRUE(std::count(glyphs.pixels.begin(), glyphs.pixels.end(), 0) > 20);
    const auto& shadows = cache->parts().shadows;
    EXPECT_EQ(shadows.cellHeight, glyphs.cellHeight + 6);
    EXPECT_GE(shadows.cellWidth, glyphs.cellWidth);
    EXPECT_EQ(*std::max_element(shadows.pixels.begin(), shadows.pixels.end()), 255);
}

}  // namespace
}  // namespace effects
