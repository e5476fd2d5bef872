#include "platform/FontMatch.h"

#include <fontconfig/fontconfig.h>

namespace platform {

namespace {

int fontconfigWeight(int windowsWeight) {
    if (windowsWeight <= 0) {
        return FC_WEIGHT_REGULAR;
    }
    return FcWeightFromOpenType(windowsWeight);
}

}  // namespace

std::optional<FontFile> matchFontFile(const std::string& family, int weight, bool italic,
                                      const std::string& language) {
    // fontconfig loads its configuration on first use (thread-safe); an
    // explicit FcInit() would leak part of it.
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) {
        return std::nullopt;
    }
    if (!family.empty()) {
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    }
    FcPatternAddInteger(pattern, FC_WEIGHT, fontconfigWeight(weight));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    if (!language.empty()) {
        FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(language.c_str()));
    }
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) {
        return std::nullopt;
    }
    FcChar8* file = nullptr;
    std::optional<FontFile> found;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        int index = 0;
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        found = FontFile{reinterpret_cast<const char*>(file), index};
    }
    FcPatternDestroy(match);
    return found;
}

}  // namespace platform
