#include <gtest/gtest.h>

#include <algorithm>

#include "TitleFixture.h"

namespace effects {
namespace {

bool drewSomething(const std::vector<Pixel>& surface) {
    return std::any_of(surface.begin(), surface.end(),
                       [](Pixel p) { return p != TitleFixture::BACKGROUND; });
}

TEST(TitleAnimations, EverySlotEndsWithEveryGlyphInPlace) {
    for (bool shadow : {false, true}) {
        TitleFixture title("Photo\r\nreel 7", shadow);
        ASSERT_EQ(title.count, 11);
        const std::vector<Pixel> expected = title.inPlace();
        ASSERT_TRUE(drewSomething(expected));
        EffectRegistry registry(EffectRegistry::Options{.seed = 1});
        for (int slot = 0; slot < TITLE_RANDOM_SLOT; ++slot) {
            EXPECT_TRUE(title.frame(registry, slot, 3000, 3000) == expected)
                << "slot " << slot << " (" << titleHandlerName(registry.titleHandler(slot))
                << "), shadow " << shadow;
        }
    }
}

TEST(TitleAnimations, EverySlotDrawsSomethingMidwayAndKeepsToTheSurface) {
    TitleFixture title("Mid way", true, 160, 120);
    EffectRegistry registry(EffectRegistry::Options{.seed = 1});
    for (int slot = 0; slot < TITLE_SLOT_COUNT; ++slot) {
        for (int elapsed : {0, 1, 1499, 2000, 2999}) {
            // Address sanitizer watches the surface's bounds here.
            title.frame(registry, slot, elapsed, 3000);
        }
    }
    // Mid way every animation has some glyph on the surface.
    for (int slot = 0; slot < TITLE_RANDOM_SLOT; ++slot) {
        EXPECT_TRUE(drewSomething(title.frame(registry, slot, 2400, 3000))) << "slot " << slot;
    }
}

TEST(TitleAnimations, SlideInComesFromTheSideItsDirectionNames) {
    TitleFixture title("Slide");
    const int X = 40, Y = 60, W = 320, H = 240;
    const int BW = title.record.style.blockWidth(), BH = title.record.style.blockHeight();
    // Half time: ease(0.5) = 0.75 of the way from the start.
    const struct {
        int slot;
        const char* side;
        int startX, startY;
    } cases[] = {
        {19, "bottom", X, H},
        {20, "top", X, -BH},
        {21, "right", W, Y},
        {22, "left", -BW, Y},
    };
    EffectRegistry registry(EffectRegistry::Options{.seed = 1});
    for (const auto& c : cases) {
        const int x = c.startX + static_cast<int>(0.75 * (X - c.startX));
        const int y = c.startY + static_cast<int>(0.75 * (Y - c.startY));
        EXPECT_TRUE(title.frame(registry, c.slot, 1500, 3000) == title.shifted(x - X, y - Y))
            << c.side;
    }
}

TEST(TitleAnimations, MidAppearDrawsNothingBeforeHalfTimeAndTheWholeTextAfter) {
    TitleFixture title("Half");
    EffectRegistry registry(EffectRegistry::Options{.seed = 1});
    const std::vector<Pixel> blank(title.surface.size(), TitleFixture::BACKGROUND);
    EXPECT_EQ(title.frame(registry, 4, 0, 3000), blank);
    EXPECT_EQ(title.frame(registry, 4, 1499, 3000), blank);
    EXPECT_TRUE(title.frame(registry, 4, 1500, 3000) == title.inPlace());
    EXPECT_TRUE(title.frame(registry, 4, 2200, 3000) == title.inPlace());
}

TEST(TitleAnimations, CascadeGivesGlyph32TheDelayOfGlyph0) {
    // Only glyphs 0 and 32 have ink; both start 3 units late, so after 103
    // of 131 units both have just landed.
    const std::string text = "A" + std::string(31, ' ') + "B" + std::string(7, ' ');
    TitleFixture title(text);
    ASSERT_EQ(title.count, 40);
    EffectRegistry registry(EffectRegistry::Options{.seed = 1});
    const std::vector<Pixel> landed = title.inPlace();
    for (int slot = 15; slot <= 18; ++slot) {
        EXPECT_TRUE(title.frame(registry, slot, 103, 131) == landed) << slot;
        EXPECT_FALSE(title.frame(registry, slot, 102, 131) == landed) << slot;
    }
}

TEST(TitleAnimations, ZoomInWithOneGlyphFollowsTheElapsedTime) {
    TitleFixture title("Q");
    ASSERT_EQ(title.count, 1);
    EffectRegistry registry(EffectRegistry::Options{.seed = 1});
    // Slot 30 scales each glyph by its progress, which for one glyph is t.
    EXPECT_TRUE(title.frame(registry, 30, 1500, 3000) == title.inPlace(127, 0x8000));
    EXPECT_TRUE(title.frame(registry, 30, 750, 3000) == title.inPlace(63, 0x4000));
    // Slot 29 keeps the size and fades.
    EXPECT_TRUE(title.frame(registry, 29, 1500, 3000) == title.inPlace(127));
}

TEST(TitleAnimations, RandomOrdersAreTheSameInEveryFrameAndRun) {
    TitleFixture title("Random order");
    EffectRegistry one(EffectRegistry::Options{.seed = 1, .playSeed = 1});
    EffectRegistry other(EffectRegistry::Options{.seed = 9, .playSeed = 12345});
    for (int slot : {35, 47}) {
        const std::vector<Pixel> first = title.frame(one, slot, 1200, 3000);
        ASSERT_TRUE(drewSomething(first)) << slot;
        title.frame(one, slot, 2500, 3000);
        EXPECT_TRUE(title.frame(one, slot, 1200, 3000) == first) << slot;
        EXPECT_TRUE(title.frame(other, slot, 1200, 3000) == first) << slot;
    }
}

TEST(TitleAnimations, TwoTextItemsOfOneHandlerKeepTheirOwnCaches) {
    TitleFixture top("Top");
    TitleFixture bottom("Bottom line");
    bottom.record.style.setPosition(40, 150);
    EffectRegistry registry(EffectRegistry::Options{.seed = 1});
    // The player shares one surface between its items.
    bottom.surface = top.surface;
    TitleFrameData a = top.data(0, 100), b = bottom.data(0, 100);
    b.target = a.target;
    ASSERT_EQ(registry.runTitle(4, EFFECT_BEGIN, a), 0);
    ASSERT_EQ(registry.runTitle(4, EFFECT_BEGIN, b), 0);
    a.elapsed = b.elapsed = a.duration = b.duration = 3000;
    registry.runTitle(4, EFFECT_FRAME, a);
    registry.runTitle(4, EFFECT_FRAME, b);
    registry.runTitle(4, EFFECT_END, a);
    registry.runTitle(4, EFFECT_END, b);
    EXPECT_FALSE(top.record.cache);
    EXPECT_FALSE(bottom.record.cache);
    std::vector<Pixel> expected = top.inPlace();
    const std::vector<Pixel> second = bottom.inPlace();
    for (std::size_t k = 0; k < expected.size(); ++k) {
        if (second[k] != TitleFixture::BACKGROUND) {
            expected[k] = second[k];
        }
    }
    EXPECT_TRUE(top.surface == expected);
}

}  // namespace
}  // namespace effects
