#include "effects/TitleText.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "effects/GlyphCache.h"
#include "platform/TextEncoding.h"

namespace effects {

TitleTextRecord::TitleTextRecord() = default;
TitleTextRecord::TitleTextRecord(const film::TextStyle& s) : style(s) {}
TitleTextRecord::~TitleTextRecord() = default;
TitleTextRecord::TitleTextRecord(TitleTextRecord&&) noexcept = default;
TitleTextRecord& TitleTextRecord::operator=(TitleTextRecord&&) noexcept = default;

namespace {

std::int32_t saturate(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

platform::LogFont doubleSizeFont(const film::TextStyle& style) {
    platform::LogFont font;
    font.height = saturate(std::int64_t{style.fontHeight()} * 2);
    font.weight = style.weight();
    font.italic = style.italic();
    font.underline = style.underline();
    font.strikeOut = style.strikeOut();
    font.charSet = style.charSet();
    font.faceName = style.faceName();
    font.codePage = film::codePageForCharSet(style.charSet());
    return font;
}

platform::TextMetrics halveMetrics(const platform::TextMetrics& m) {
    platform::TextMetrics half = m;
    half.ascent /= 2;
    half.aveCharWidth /= 2;
    half.descent /= 2;
    half.height /= 2;
    half.internalLeading /= 2;
    half.maxCharWidth /= 2;
    half.overhang /= 2;
    return half;
}

int layoutText(film::TextStyle& style, std::string_view text, std::span<GlyphRecord> glyphs,
               std::int32_t* size) {
    const auto font = platform::Font::create(doubleSizeFont(style));
    if (!font) {
        return 0;
    }
    const platform::TextMetrics metrics = halveMetrics(font->metrics());
    const unsigned codePage = film::codePageForCharSet(style.charSet());
    // Line spacing comes from the film; keep the baseline arithmetic in range.
    std::int64_t y = metrics.ascent;
    std::int32_t w = 0;
    int line = 0;
    std::size_t count = 0;
    std::vector<std::int32_t> lineWidths;
    for (std::size_t i = 0; i < text.size() && text[i] != '\0';) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            if (w > 0) {
                lineWidths.push_back(w);
                ++line;
            }
            y += std::int64_t{style.lineSpacing()} * metrics.height / 100;
            y = std::clamp<std::int64_t>(y, -(1 << 24), 1 << 24);
            w = 0;
            i += 2;
            continue;
        }
        if (count == glyphs.size()) {
            break;
        }
        const auto lead = static_cast<unsigned char>(text[i]);
        std::uint16_t code = lead;
        std::size_t length = 1;
        if (platform::isLeadByte(lead, codePage) && i + 1 < text.size() && text[i + 1] != '\0') {
            code = static_cast<std::uint16_t>(lead * 256 + static_cast<unsigned char>(text[i + 1]));
            length = 2;
        }
        const platform::TextExtent extent = font->textExtent(code);
        GlyphRecord& g = glyphs[count++];
        g = GlyphRecord{
            code, static_cast<std::uint16_t>(line), w, saturate(y), extent.cx / 2, extent.cy / 2};
        w = saturate(std::int64_t{w} + g.width - metrics.overhang);
        i += length;
    }
    if (w > 0) {
        lineWidths.push_back(w);
    }
    const std::int32_t blockWidth =
        lineWidths.empty() ? 0 : *std::max_element(lineWidths.begin(), lineWidths.end());
    const std::int32_t blockHeight = saturate(y + metrics.descent);
    style.setBlockSize(blockWidth, blockHeight);
    if (size != nullptr) {
        size[0] = blockWidth;
        size[1] = blockHeight;
    }
    const std::int32_t alignment = style.alignment();
    if (alignment != film::TEXT_ALIGN_LEFT) {
        for (std::size_t k = 0; k < count; ++k) {
            GlyphRecord& g = glyphs[k];
            // A line whose glyphs have no advance stored no width.
            const std::int32_t lineWidth = g.line < lineWidths.size() ? lineWidths[g.line] : 0;
            const std::int32_t room = blockWidth - lineWidth;
            g.x += alignment == film::TEXT_ALIGN_RIGHT ? room : room / 2;
        }
    }
    return static_cast<int>(count);
}

}  // namespace effects
