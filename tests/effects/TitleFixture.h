#pragma once

#include <array>
#include <string>
#include <vector>

#include "effects/EffectOperation.h"
#include "effects/EffectRegistry.h"
#include "effects/GlyphCache.h"
#include "effects/TitleText.h"

namespace effects {

// One laid-out text item over a flat grey surface, driven through the
// registry as the player drives it.
struct TitleFixture {
    static constexpr Pixel BACKGROUND = 0x00646464;

    explicit TitleFixture(const std::string& text, bool shadow = false, int width = 320,
                          int height = 240)
        : width(width), height(height) {
        record.style.setPosition(40, 60);
        record.style.setFont(-28, 700, false, 0, "Arial");
        record.style.setColour(0x0030C0F0);  // COLORREF: red F0, green C0, blue 30
        record.style.setLineSpacing(100);
        record.style.setShadow(shadow);
        count = layoutText(record.style, text, glyphs);
        surface.assign(static_cast<std::size_t>(width * height), BACKGROUND);
    }

    TitleFrameData data(int elapsed, int duration) {
        return TitleFrameData{0,     nullptr, surface.data(), &record, glyphs.data(),
                              count, width,   height,         elapsed, duration};
    }

    // Begin, one frame at elapsed / duration, End; returns the surface.
    std::vector<Pixel> frame(EffectRegistry& registry, int slot, int elapsed, int duration) {
        surface.assign(surface.size(), BACKGROUND);
        const TitleFrameData begin = data(0, 100);
        if (registry.runTitle(slot, EFFECT_BEGIN, begin) != 0) {
            return {};
        }
        registry.runTitle(slot, EFFECT_FRAME, data(elapsed, duration));
        registry.runTitle(slot, EFFECT_END, begin);
        return surface;
    }

    // Every glyph in place at full opacity and scale, drawn straight through
    // a glyph cache; `only` limits it to a set of glyphs.
    std::vector<Pixel> inPlace(int opacity = 255, int scale = 0x10000,
                               const std::vector<int>& only = {}) const {
        return shifted(0, 0, opacity, scale, only);
    }

    // Every glyph moved by (dx, dy) from its place.
    std::vector<Pixel> shifted(int dx, int dy, int opacity = 255, int scale = 0x10000,
                               const std::vector<int>& only = {}) const {
        std::vector<Pixel> out(surface.size(), BACKGROUND);
        auto cache = GlyphCache::build(
            record.style,
            std::span<const GlyphRecord>(glyphs.data(), static_cast<std::size_t>(count)));
        cache->setTarget(out.data(), width, height);
        for (int i = 0; i < count; ++i) {
            if (only.empty() || std::find(only.begin(), only.end(), i) != only.end()) {
                cache->drawGlyph(record.style.x() + glyphs[i].x + dx,
                                 record.style.y() + glyphs[i].y + dy, record.style.colour(),
                                 opacity, record.style.shadow(), i, scale, scale, 0);
            }
        }
        return out;
    }

    int width;
    int height;
    TitleTextRecord record;
    std::array<GlyphRecord, TITLE_GLYPH_CAPACITY> glyphs{};
    int count = 0;
    std::vector<Pixel> surface;
};

}  // namespace effects
