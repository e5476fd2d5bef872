#include "effects/GlyphTitle.h"

#include <algorithm>

namespace effects {

int GlyphTitle::begin(const TitleFrameBlock& block) {
    if (buildGlyphCache(block) == 0) {
        releaseGlyphCache(block);
        return -1;
    }
    return 0;
}

int GlyphTitle::end(const TitleFrameBlock& block) {
    releaseGlyphCache(block);
    return 0;
}

int GlyphTitle::frame(const TitleFrameBlock& block) {
    if (block.text == nullptr || !block.text->cache || block.glyphs == nullptr ||
        block.target == nullptr || block.duration < 1) {
        return 0;
    }
    GlyphCache& cache = *block.text->cache;
    cache.setTarget(block.target, block.width, block.height);
    const film::TextStyle& style = block.text->style;
    TitleScene scene;
    scene.X = style.x();
    scene.Y = style.y();
    scene.BW = style.blockWidth();
    scene.BH = style.blockHeight();
    scene.W = block.width;
    scene.H = block.height;
    // Glyphs the cache was not built with cannot be drawn.
    scene.n = std::clamp(block.glyphCount, 0, cache.glyphCount());
    scene.duration = block.duration;
    scene.elapsed = std::clamp(block.elapsed, 0, block.duration);
    scene.t = static_cast<double>(scene.elapsed) / scene.duration;
    scene.direction = block.direction;
    scene.parameter = block.parameter;
    scene.fontHeight = style.fontHeight();
    scene.glyphs = block.glyphs;
    scene.cache = &cache;
    scene.colour = style.colour();
    scene.shadow = style.shadow();
    if (scene.n > 0) {
        draw(scene);
    }
    return 0;
}

}  // namespace effects
