#include "effects/GlyphCache.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace effects {

namespace {

// The strips of a 256-glyph title at any sensible size stay far below this.
constexpr std::size_t MAX_STRIP_BYTES = std::size_t{256} << 20;
constexpr int SHADOW_MARGIN = 6;
constexpr int BLUR_SIZE = 7;
constexpr int MIN_SCALE = 4;
constexpr int ANGLE_STEPS = 3600;

struct SineTable {
    std::array<std::int32_t, ANGLE_STEPS> sine{};
    std::array<std::int32_t, ANGLE_STEPS> cosine{};
};

// A tenth of a degree per entry, 16.16.
const SineTable& sineTable() {
    static const SineTable table = [] {
        SineTable t;
        for (int i = 0; i < ANGLE_STEPS; ++i) {
            const double radians = i * 0.0017453292222222223;
            t.sine[static_cast<std::size_t>(i)] =
                static_cast<std::int32_t>(std::sin(radians) * 65536);
            t.cosine[static_cast<std::size_t>(i)] =
                static_cast<std::int32_t>(std::cos(radians) * 65536);
        }
        return t;
    }();
    return table;
}

int shiftForWidth(int width) {
    int shift = 0;
    while ((1 << shift) < width && shift < 30) {
        ++shift;
    }
    return shift;
}

// Target pixels covered by a box turned about its centre, mapped back into a
// cell by 16.16 stepping.
struct CellMapping {
    std::int64_t centreX = 0;    // target column of the box centre
    std::int64_t centreRow = 0;  // target memory row of the box centre
    std::int64_t halfX = 0;      // half extents of the turned box, pixels
    std::int64_t halfY = 0;
    std::int64_t cellU = 0;  // the cell point at the centre, 16.16
    std::int64_t cellV = 0;
    std::int64_t rightU = 0;  // one pixel right
    std::int64_t rightV = 0;
    std::int64_t upU = 0;  // one memory row up
    std::int64_t upV = 0;
};

CellMapping mapCell(std::int64_t boxWidthCell, std::int64_t boxHeightCell, std::int64_t centreX,
                    std::int64_t centreRow, std::int32_t a, std::int32_t b, std::int32_t s,
                    std::int32_t c) {
    CellMapping m;
    const std::int64_t boxWidth = (boxWidthCell * std::abs(a)) >> 16;
    const std::int64_t boxHeight = (boxHeightCell * std::abs(b)) >> 16;
    const std::int64_t absS = std::abs(s), absC = std::abs(c);
    m.halfX = (((absC * boxWidth + absS * boxHeight) >> 16) >> 1) + 1;
    m.halfY = (((absS * boxWidth + absC * boxHeight) >> 16) >> 1) + 1;
    m.centreX = centreX;
    m.centreRow = centreRow;
    m.cellU = boxWidthCell << 15;
    m.cellV = boxHeightCell << 15;
    m.rightU = (std::int64_t{c} << 16) / a;
    m.rightV = -(std::int64_t{s} << 16) / b;
    m.upU = (std::int64_t{s} << 16) / a;
    m.upV = (std::int64_t{c} << 16) / b;
    return m;
}

// Calls visit(pixel, u, v) for every target pixel whose cell position has
// 0 <= u < limitU and 0 <= v < limitV.
template <typename Visit>
void forEachCellPixel(const CellMapping& m, Pixel* target, int width, int height,
                      std::int64_t limitU, std::int64_t limitV, Visit&& visit) {
    const std::int64_t x0 = std::max<std::int64_t>(0, m.centreX - m.halfX);
    const std::int64_t x1 = std::min<std::int64_t>(width - 1, m.centreX + m.halfX);
    const std::int64_t r0 = std::max<std::int64_t>(0, m.centreRow - m.halfY);
    const std::int64_t r1 = std::min<std::int64_t>(height - 1, m.centreRow + m.halfY);
    if (x0 > x1 || r0 > r1 || limitU <= 0 || limitV <= 0) {
        return;
    }
    for (std::int64_t row = r0; row <= r1; ++row) {
        std::int64_t u = m.cellU + (x0 - m.centreX) * m.rightU + (row - m.centreRow) * m.upU;
        std::int64_t v = m.cellV + (x0 - m.centreX) * m.rightV + (row - m.centreRow) * m.upV;
        Pixel* line = target + row * width;
        for (std::int64_t x = x0; x <= x1; ++x, u += m.rightU, v += m.rightV) {
            const std::int64_t iu = u >> 16, iv = v >> 16;
            if (iu >= 0 && iu < limitU && iv >= 0 && iv < limitV) {
                visit(line[x], static_cast<int>(iu), static_cast<int>(iv));
            }
        }
    }
}

void renderGlyphs(platform::Font& font, std::span<const GlyphRecord> glyphs,
                  GlyphCache::Strip& strip, int ascent) {
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const platform::GreyImage cell{
            strip.pixels.data() + i * static_cast<std::size_t>(strip.cellHeight * strip.cellWidth),
            strip.cellWidth, strip.cellHeight, strip.cellWidth};
        font.draw(cell, 0, ascent, glyphs[i].code);
    }
}

// Each shadow value counts the ink in the 7 x 7 square of a scratch image in
// which the glyph sits 6 pixels in: shadow cell (x, y) reads the square with
// its corner at scratch (x, y), so the shadow centre is the glyph centre.
void renderShadows(platform::Font& font, std::span<const GlyphRecord> glyphs,
                   GlyphCache::Strip& strip, int ascent) {
    const int scratchWidth = (strip.cellWidth + 9) / 4 * 4;
    const int scratchHeight = strip.cellHeight + SHADOW_MARGIN;
    std::vector<std::uint8_t> scratch(static_cast<std::size_t>(scratchWidth * scratchHeight));
    std::vector<int> rowCounts(static_cast<std::size_t>(scratchWidth * scratchHeight));
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        std::fill(scratch.begin(), scratch.end(), std::uint8_t{255});
        font.draw({scratch.data(), scratchWidth, scratchHeight, scratchWidth}, SHADOW_MARGIN,
                  ascent + SHADOW_MARGIN, glyphs[i].code);
        // Horizontal run counts, then vertical sums; rows top-down here.
        auto inkAt = [&](int x, int y) {
            return scratch[static_cast<std::size_t>((scratchHeight - 1 - y) * scratchWidth + x)] ==
                           0
                       ? 1
                       : 0;
        };
        for (int y = 0; y < scratchHeight; ++y) {
            for (int x = 0; x + BLUR_SIZE <= scratchWidth; ++x) {
                int count = 0;
                for (int k = 0; k < BLUR_SIZE; ++k) {
                    count += inkAt(x + k, y);
                }
                rowCounts[static_cast<std::size_t>(y * scratchWidth + x)] = count;
            }
        }
        std::uint8_t* cell =
            strip.pixels.data() + i * static_cast<std::size_t>(strip.cellHeight * strip.cellWidth);
        for (int y = 0; y < strip.cellHeight && y + BLUR_SIZE <= scratchHeight; ++y) {
            for (int x = 0; x < strip.cellWidth && x + BLUR_SIZE <= scratchWidth; ++x) {
                int count = 0;
                for (int k = 0; k < BLUR_SIZE; ++k) {
                    count += rowCounts[static_cast<std::size_t>((y + k) * scratchWidth + x)];
                }
                cell[static_cast<std::size_t>((strip.cellHeight - 1 - y) * strip.cellWidth + x)] =
                    static_cast<std::uint8_t>(count * 255 / (BLUR_SIZE * BLUR_SIZE));
            }
        }
    }
}

bool makeStrip(GlyphCache::Strip& strip, int inkWidth, int cellHeight, std::size_t glyphCount,
               std::uint8_t fill) {
    strip.cellWidthShift = shiftForWidth(std::max(1, inkWidth));
    strip.cellWidth = 1 << strip.cellWidthShift;
    strip.cellHeight = std::max(1, cellHeight);
    const std::size_t bytes =
        static_cast<std::size_t>(strip.cellWidth) * static_cast<std::size_t>(strip.cellHeight);
    if (strip.cellWidthShift >= 30 ||
        bytes > MAX_STRIP_BYTES / std::max<std::size_t>(1, glyphCount)) {
        return false;
    }
    strip.pixels.assign(bytes * glyphCount, fill);
    return true;
}

}  // namespace

std::unique_ptr<GlyphCache> GlyphCache::build(const film::TextStyle& style,
                                              std::span<const GlyphRecord> glyphs) {
    const auto font = platform::Font::create(doubleSizeFont(style));
    if (!font) {
        return nullptr;
    }
    const platform::TextMetrics& m = font->metrics();
    Parts parts;
    const int inkWidth = m.maxCharWidth + m.overhang;
    if (style.shadow()) {
        if (!makeStrip(parts.shadows, inkWidth + SHADOW_MARGIN, m.height + SHADOW_MARGIN,
                       glyphs.size(), 0)) {
            return nullptr;
        }
        renderShadows(*font, glyphs, parts.shadows, m.ascent);
    }
    if (!makeStrip(parts.glyphs, inkWidth, m.height, glyphs.size(), 255)) {
        return nullptr;
    }
    renderGlyphs(*font, glyphs, parts.glyphs, m.ascent);
    parts.advances.reserve(glyphs.size());
    for (const GlyphRecord& g : glyphs) {
        const auto abc = font->abcWidths(g.code);
        parts.advances.push_back(abc ? std::abs(abc->a) + abc->b + std::abs(abc->c) : inkWidth);
    }
    parts.metrics = halveMetrics(m);
    return std::make_unique<GlyphCache>(std::move(parts));
}

GlyphCache::GlyphCache(Parts parts) : parts_(std::move(parts)) {}

void GlyphCache::setTarget(Pixel* pixels, int width, int height) {
    target_ = pixels;
    targetWidth_ = width;
    targetHeight_ = height;
}

int GlyphCache::drawGlyph(int x, int y, std::uint32_t colour, int opacity, bool shadow, int index,
                          int scaleX, int scaleY, int angle) const {
    if (target_ == nullptr || targetWidth_ <= 0 || targetHeight_ <= 0 || index < 0 ||
        index >= glyphCount()) {
        return 1;
    }
    angle %= ANGLE_STEPS;
    if (angle < 0) {
        angle += ANGLE_STEPS;
    }
    const SineTable& table = sineTable();
    const std::int32_t s = table.sine[static_cast<std::size_t>(angle)];
    const std::int32_t c = table.cosine[static_cast<std::size_t>(angle)];
    // The strips are at double size: 0x10000 draws at half their size.
    std::int32_t a = scaleX / 2, b = scaleY / 2;
    if (std::abs(a) < MIN_SCALE) {
        a = MIN_SCALE;
    }
    if (std::abs(b) < MIN_SCALE) {
        b = MIN_SCALE;
    }
    opacity = std::clamp(opacity, 0, 255);
    const int u = parts_.advances[static_cast<std::size_t>(index)];
    const Strip& glyphs = parts_.glyphs;
    const std::int64_t centreX = std::int64_t{x} + u / 4;
    const std::int64_t centreY = std::int64_t{y} - parts_.metrics.ascent + glyphs.cellHeight / 4;
    // Target y counts from the top; memory rows from the bottom.
    const std::int64_t centreRow = targetHeight_ - centreY;

    const Strip& shadows = parts_.shadows;
    const int threshold = 255 - opacity;
    if (shadow && !shadows.pixels.empty() && threshold < 255) {
        const int d = std::abs(parts_.metrics.height) / 36 + 3;
        const int shadowWidth = u + SHADOW_MARGIN;
        const CellMapping mapping =
            mapCell(shadowWidth, shadows.cellHeight, centreX + d, centreRow - d, a, b, s, c);
        const std::uint8_t* cell =
            shadows.pixels.data() +
            static_cast<std::size_t>(index) *
                static_cast<std::size_t>(shadows.cellHeight * shadows.cellWidth);
        forEachCellPixel(mapping, target_, targetWidth_, targetHeight_,
                         std::min(shadowWidth, shadows.cellWidth), shadows.cellHeight,
                         [&](Pixel& pixel, int cu, int cv) {
                             const int z = cell[(cv << shadows.cellWidthShift) + cu];
                             if (z <= threshold) {
                                 return;
                             }
                             const int drop = z - threshold;
                             Pixel out = pixel & 0xFF000000u;
                             for (int shift = 0; shift < 24; shift += 8) {
                                 const int v = static_cast<int>((pixel >> shift) & 0xFF);
                                 out |= static_cast<Pixel>(std::max(0, v - drop)) << shift;
                             }
                             pixel = out;
                         });
    }

    const int weight = opacity >> 2;
    if (weight == 0) {
        return 1;
    }
    const int colourChannel[3] = {static_cast<int>((colour >> 16) & 0xFF),
                                  static_cast<int>((colour >> 8) & 0xFF),
                                  static_cast<int>(colour & 0xFF)};
    const CellMapping mapping = mapCell(u, glyphs.cellHeight, centreX, centreRow, a, b, s, c);
    const std::uint8_t* cell =
        glyphs.pixels.data() + static_cast<std::size_t>(index) *
                                   static_cast<std::size_t>(glyphs.cellHeight * glyphs.cellWidth);
    const int shift = glyphs.cellWidthShift;
    // The 2 x 2 coverage reads one column and one row beyond the position.
    forEachCellPixel(
        mapping, target_, targetWidth_, targetHeight_, std::min(u, glyphs.cellWidth) - 1,
        glyphs.cellHeight - 1, [&](Pixel& pixel, int cu, int cv) {
            const std::uint8_t* p = cell + (cv << shift) + cu;
            const std::uint8_t* above = p + glyphs.cellWidth;
            const int k = (p[0] == 0) + (p[1] == 0) + (above[0] == 0) + (above[1] == 0);
            if (k == 0) {
                return;
            }
            const int strength = weight * k;
            Pixel out = pixel & 0xFF000000u;
            for (int channel = 0; channel < 3; ++channel) {
                const int v = static_cast<int>((pixel >> (channel * 8)) & 0xFF);
                const int blended = v + ((strength * (colourChannel[channel] - v)) >> 8);
                out |= static_cast<Pixel>(blended) << (channel * 8);
            }
            pixel = out;
        });
    return 1;
}

int buildGlyphCache(const TitleFrameBlock& block) {
    if (block.text == nullptr) {
        return 0;
    }
    const int count = std::clamp(block.glyphCount, 0, TITLE_GLYPH_CAPACITY);
    if (count > 0 && block.glyphs == nullptr) {
        return 0;
    }
    block.text->cache = GlyphCache::build(
        block.text->style,
        std::span<const GlyphRecord>(block.glyphs, static_cast<std::size_t>(count)));
    if (!block.text->cache) {
        return 0;
    }
    block.text->cache->setTarget(block.target, block.width, block.height);
    return 1;
}

void releaseGlyphCache(const TitleFrameBlock& block) {
    if (block.text != nullptr) {
        block.text->cache.reset();
    }
}

}  // namespace effects
