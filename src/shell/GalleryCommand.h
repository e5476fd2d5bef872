#pragma once

#include <cstdint>
#include <string>

namespace CLI {
class App;
}

namespace shell {

// `photoreel gallery`: every picture transition at a few points of its
// progress on one contact sheet (PNG), with an HTML page naming each.
struct GalleryOptions {
    std::string output = "gallery.png";
    std::string html;  // empty: the output's name with .html
    std::string cell = "160x120";
    std::string from = "card:bars";
    std::string to = "card:checker";
    int columns = 2;
    std::uint32_t seed = 1;
};

void addGalleryCommand(CLI::App& app, GalleryOptions& options);
int runGallery(const GalleryOptions& options);

}  // namespace shell
