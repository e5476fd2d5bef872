#pragma once

#include <optional>
#include <string>

namespace platform {

struct FontFile {
    std::string path;
    int index = 0;  // face within a collection
};

// Asks fontconfig for the installed font closest to a family (a Windows
// face name such as "Arial" finds its metric-compatible free font), weight
// (100..900 as Windows counts), slant and, when not empty, a language the
// font must cover ("ja", "zh-cn" ...).
std::optional<FontFile> matchFontFile(const std::string& family, int weight, bool italic,
                                      const std::string& language = {});

}  // namespace platform
