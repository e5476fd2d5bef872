#include "shell/GalleryCommand.h"

#include <CLI/CLI.hpp>

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>

#include "effects/EffectRegistry.h"
#include "effects/EffectTables.h"
#include "platform/FileBytes.h"
#include "platform/TextPainter.h"
#include "shell/EffectCommand.h"

namespace shell {

namespace {

// Progress points of each slot, in percent; both ends show whether a
// transition starts on the outgoing picture and ends on the incoming one.
constexpr std::array<int, 5> kProgressPercent = {0, 25, 50, 75, 100};
// Every progress point lands on a whole millisecond.
constexpr int kDurationMs = 1000;
constexpr int kGap = 4;
constexpr int kLabelHeight = 20;
constexpr std::uint32_t kBackground = 0x202020;
constexpr std::uint32_t kLabelColour = 0xF0F0F0;

struct SlotEntry {
    int slot = 0;
    std::string name;
};

std::string htmlEscaped(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string baseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Copies a cell-sized frame into the sheet with its top-left corner at
// (x, yFromTop); both are bottom-up.
void blit(const StageImage& frame, StageImage& sheet, int x, int yFromTop) {
    const std::size_t row = static_cast<std::size_t>(frame.width) * 4;
    for (int y = 0; y < frame.height; ++y) {
        const int sheetRow = sheet.height - 1 - (yFromTop + frame.height - 1 - y);
        std::memcpy(
            sheet.pixels.data() + (static_cast<std::size_t>(sheetRow) * sheet.width + x) * 4,
            frame.pixels.data() + row * static_cast<std::size_t>(y), row);
    }
}

std::string galleryHtml(const std::vector<SlotEntry>& entries, const std::string& sheetName,
                        int blockWidth, int blockHeight, int columns, int cellHeight) {
    std::string html =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Photoreel "
        "transitions</title>\n<style>\nbody{background:#202020;color:#f0f0f0;font-family:sans-"
        "serif}\n.slot{display:inline-block;margin:6px}\n.frames{background-image:url(\"" +
        htmlEscaped(sheetName) + "\");width:" + std::to_string(blockWidth) +
        "px;height:" + std::to_string(cellHeight) +
        "px}\n</style></head><body>\n<h1>Photoreel "
        "transitions</h1>\n<p>Each slot at ";
    for (std::size_t i = 0; i < kProgressPercent.size(); ++i) {
        html +=
            std::to_string(kProgressPercent[i]) + (i + 1 < kProgressPercent.size() ? "%, " : "%");
    }
    html += " of its progress. Slot " + std::to_string(effects::PICTURE_RANDOM_SLOT) +
            " picks one of these at random.</p>\n";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int column = static_cast<int>(i) % columns;
        const int row = static_cast<int>(i) / columns;
        const int x = column * blockWidth;
        const int y = row * blockHeight + kLabelHeight;
        html += "<div class=\"slot\" id=\"slot-" + std::to_string(entries[i].slot) + "\"><div>" +
                std::to_string(entries[i].slot) + " " + htmlEscaped(entries[i].name) +
                "</div><div class=\"frames\" style=\"background-position:-" + std::to_string(x) +
                "px -" + std::to_string(y) + "px\"></div></div>\n";
    }
    html += "</body></html>\n";
    return html;
}

}  // namespace

void addGalleryCommand(CLI::App& app, GalleryOptions& options) {
    CLI::App* gallery = app.add_subcommand(
        "gallery",
        "Write a contact sheet (PNG) and an HTML page of every transition at a few points of "
        "its progress");
    gallery->add_option("-o,--output", options.output, "Contact sheet to write (.png)");
    gallery->add_option("--html", options.html,
                        "HTML page to write (default: the sheet's name "
                        "with .html)");
    gallery->add_option("--cell", options.cell, "Size of each frame, WIDTHxHEIGHT");
    gallery->add_option("--from", options.from, "Outgoing picture, as for `photoreel effect`");
    gallery->add_option("--to", options.to, "Incoming picture, as for `photoreel effect`");
    gallery->add_option("--columns", options.columns, "Slots side by side")
        ->check(CLI::Range(1, 16));
    gallery->add_option("--seed", options.seed, "Seed of effects that use random numbers");
}

int runGallery(const GalleryOptions& options) {
    auto fail = [](const std::string& why) {
        std::fprintf(stderr, "photoreel gallery: %s\n", why.c_str());
        return 1;
    };
    auto from = parseStageSize(options.cell);
    if (!from) {
        return fail(from.error());
    }
    StageImage to = *from;
    if (auto loaded = loadStagePicture(options.from, *from); !loaded) {
        return fail(loaded.error());
    }
    if (auto loaded = loadStagePicture(options.to, to); !loaded) {
        return fail(loaded.error());
    }
    effects::EffectRegistry::Options registryOptions;
    registryOptions.seed = options.seed;
    registryOptions.playSeed = options.seed;
    effects::EffectRegistry registry(registryOptions);
    registry.loadPictureTexts(1);

    std::vector<SlotEntry> entries;
    for (int slot = 0; slot < effects::PICTURE_RANDOM_SLOT; ++slot) {
        effects::DescribeRequest request;
        request.flags = effects::DESCRIBE_NAME;
        registry.describe(slot, effects::EFFECT_KIND_PICTURE, request);
        entries.push_back({slot, request.name});
    }

    const int cells = static_cast<int>(kProgressPercent.size());
    const int blockWidth = cells * (from->width + kGap) + kGap;
    const int blockHeight = kLabelHeight + from->height + kGap;
    const int columns = options.columns;
    const int rows = (static_cast<int>(entries.size()) + columns - 1) / columns;
    const long long sheetPixels = static_cast<long long>(blockWidth) * columns * blockHeight * rows;
    if (sheetPixels > (1LL << 27)) {
        return fail("a sheet of " + options.cell + " cells is too large; take smaller cells");
    }
    StageImage sheet{blockWidth * columns, blockHeight * rows, {}};
    sheet.pixels.resize(static_cast<std::size_t>(sheetPixels) * 4);
    for (std::size_t i = 0; i < sheet.pixels.size(); i += 4) {
        sheet.pixels[i] = kBackground & 0xFF;
        sheet.pixels[i + 1] = (kBackground >> 8) & 0xFF;
        sheet.pixels[i + 2] = (kBackground >> 16) & 0xFF;
    }

    std::vector<int> elapsed;
    for (int percent : kProgressPercent) {
        elapsed.push_back(kDurationMs * percent / 100);
    }
    std::string fontError;
    auto painter = platform::TextPainter::open({"DejaVu Sans", 13, true, false}, &fontError);
    if (!painter) {
        std::fprintf(stderr, "photoreel gallery: names are left off the sheet: %s\n",
                     fontError.c_str());
    }
    const platform::Canvas canvas{sheet.pixels.data(), sheet.width, sheet.height};
    StageImage out;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int left = static_cast<int>(i) % columns * blockWidth;
        const int top = static_cast<int>(i) / columns * blockHeight;
        renderTransition(registry, entries[i].slot, *from, to, kDurationMs, elapsed, out,
                         [&](int index, const StageImage& frame) {
                             blit(frame, sheet, left + kGap + index * (frame.width + kGap),
                                  top + kLabelHeight);
                         });
        if (painter) {
            painter->draw(canvas, left + kGap, top + 2,
                          std::to_string(entries[i].slot) + "  " + entries[i].name, kLabelColour);
        }
    }

    if (auto written = writeStagePng(options.output, sheet); !written) {
        return fail(written.error());
    }
    std::string htmlPath = options.html;
    if (htmlPath.empty()) {
        htmlPath = options.output;
        const auto dot = htmlPath.rfind('.');
        if (dot != std::string::npos && dot > htmlPath.rfind('/') + 1) {
            htmlPath.erase(dot);
        }
        htmlPath += ".html";
    }
    const std::string html = galleryHtml(entries, baseName(options.output), blockWidth, blockHeight,
                                         columns, from->height);
    if (auto written = platform::writeFileBytes(
            htmlPath, std::span(reinterpret_cast<const std::uint8_t*>(html.data()), html.size()));
        !written) {
        return fail(written.error());
    }
    return 0;
}

}  // namespace shell
