#include "effects/EffectDescriptions.h"

#include <algorithm>
#include <array>
#include <utility>

namespace effects {

namespace {

struct NameEntry {
    std::uint32_t id;
    const char* name;
};

// Sorted by number.
constexpr std::array NAMES = {
    NameEntry{1, "Cut"},
    NameEntry{3, "Random"},
    NameEntry{4, "Glass shatter"},
    NameEntry{5, "Circle smear"},
    NameEntry{6, "Film strip"},
    NameEntry{7, "Swirl away"},
    NameEntry{9, "Melt down"},
    NameEntry{10, "Turn right"},
    NameEntry{11, "Push up"},
    NameEntry{12, "Push down"},
    NameEntry{13, "Push left"},
    NameEntry{14, "Push right"},
    NameEntry{15, "Block turn right"},
    NameEntry{16, "Strip push vertical"},
    NameEntry{17, "Strip push horizontal"},
    NameEntry{18, "Spiral"},
    NameEntry{19, "Slide in up"},
    NameEntry{20, "Slide in down"},
    NameEntry{21, "Slide in left"},
    NameEntry{22, "Slide in right"},
    NameEntry{23, "Strip slide vertical"},
    NameEntry{24, "Cube shuffle"},
    NameEntry{25, "Strip slide horizontal"},
    NameEntry{26, "Soft spiral"},
    NameEntry{27, "Wipe up"},
    NameEntry{28, "Wipe down"},
    NameEntry{29, "Wipe left"},
    NameEntry{30, "Wipe right"},
    NameEntry{31, "Strip wipe vertical"},
    NameEntry{32, "Turn up"},
    NameEntry{33, "Strip wipe horizontal"},
    NameEntry{34, "Spin turn"},
    NameEntry{35, "Side doors"},
    NameEntry{36, "Pinwheel"},
    NameEntry{38, "Cross fade"},
    NameEntry{39, "Blinds up"},
    NameEntry{40, "Blinds down"},
    NameEntry{41, "Blinds left"},
    NameEntry{42, "Blinds right"},
    NameEntry{43, "Smear down"},
    NameEntry{44, "Smear up"},
    NameEntry{45, "Smear right"},
    NameEntry{46, "Smear left"},
    NameEntry{47, "Random small blocks"},
    NameEntry{48, "Random blocks"},
    NameEntry{49, "Random large blocks"},
    NameEntry{52, "Page roll"},
    NameEntry{53, "Page curl"},
    NameEntry{54, "Diagonal glow"},
    NameEntry{55, "Page roll quarters"},
    NameEntry{56, "Page curl quarters"},
    NameEntry{57, "Noise burn"},
    NameEntry{58, "Ripple dissolve"},
    NameEntry{59, "Swing sequence"},
    NameEntry{60, "Fine shatter"},
    NameEntry{61, "Shatter small blocks"},
    NameEntry{62, "Shatter blocks"},
    NameEntry{63, "Shatter large blocks"},
    NameEntry{64, "Scatter swap"},
    NameEntry{65, "Negative flash"},
    NameEntry{66, "Door swing up"},
    NameEntry{67, "Door swing down"},
    NameEntry{68, "Door swing left"},
    NameEntry{69, "Door swing right"},
    NameEntry{73, "Pinch warp"},
    NameEntry{74, "Pinch warp reversed"},
    NameEntry{76, "Clock wipe right"},
    NameEntry{77, "Clock wipe left"},
    NameEntry{80, "Flip turn"},
    NameEntry{81, "Tumble turn"},
    NameEntry{85, "Block spin"},
    NameEntry{88, "Circle reveal"},
    NameEntry{94, "Blocks turn right"},
    NameEntry{95, "Block flip"},
    NameEntry{96, "Block tumble"},
    NameEntry{97, "Glitch push"},
    NameEntry{99, "Soft wipe down"},
    NameEntry{106, "Soft wipe up"},
    NameEntry{107, "Soft wipe left"},
    NameEntry{108, "Soft wipe right"},
    NameEntry{109, "Strips spread"},
    NameEntry{110, "Strips gather"},
    NameEntry{111, "Diagonal squeeze"},
    NameEntry{113, "Strips fold"},
    NameEntry{114, "Tiles fly up"},
    NameEntry{115, "Fade through sunburst"},
    NameEntry{116, "Box in"},
    NameEntry{117, "Box out"},
    NameEntry{118, "Tiles fly down"},
    NameEntry{119, "Tiles fly left"},
    NameEntry{120, "Tiles fly right"},
    NameEntry{121, "Turn left"},
    NameEntry{122, "Turn down"},
    NameEntry{123, "Block turn left"},
    NameEntry{124, "Blocks turn left"},
    NameEntry{125, "Through black left"},
    NameEntry{126, "Through black right"},
    NameEntry{127, "Through black up"},
    NameEntry{128, "Through black down"},
    NameEntry{401, "Centre fade across"},
    NameEntry{402, "Centre fade upright"},
    NameEntry{404, "Radial fly-in"},
    NameEntry{405, "Whirl in"},
    NameEntry{406, "Gather up"},
    NameEntry{407, "Gather down"},
    NameEntry{408, "Gather left"},
    NameEntry{409, "Gather right"},
    NameEntry{410, "Cascade up"},
    NameEntry{411, "Cascade down"},
    NameEntry{412, "Cascade left"},
    NameEntry{413, "Cascade right"},
    NameEntry{418, "Zoom in"},
    NameEntry{419, "Roll around"},
    NameEntry{420, "Pop in"},
    NameEntry{421, "Grow in"},
    NameEntry{422, "Corner fly left"},
    NameEntry{423, "Corner fly right"},
    NameEntry{424, "Rolling in left"},
    NameEntry{425, "Rolling in right"},
    NameEntry{426, "Stretch drop"},
    NameEntry{427, "Grow to place"},
    NameEntry{428, "Split and join across"},
    NameEntry{429, "Pop in at random"},
    NameEntry{430, "Echo down"},
    NameEntry{431, "Echo up"},
    NameEntry{432, "Echo right"},
    NameEntry{433, "Echo left"},
    NameEntry{434, "Split and join upright"},
    NameEntry{435, "Zoom through"},
    NameEntry{436, "Spin in"},
    NameEntry{437, "Spin in reversed"},
    NameEntry{438, "Slot emerge"},
    NameEntry{439, "Zoom in swinging"},
    NameEntry{440, "Zoom in dropping"},
    NameEntry{441, "Bounce in"},
    NameEntry{442, "Swing through"},
    NameEntry{443, "Swing through reversed"},
    NameEntry{444, "Converge"},
    NameEntry{445, "Follow a wave"},
    NameEntry{446, "Follow a loop"},
    NameEntry{447, "Follow an arc"},
    NameEntry{448, "Follow a zigzag"},
    NameEntry{449, "Loop in"},
};

constexpr bool isSorted() {
    for (std::size_t i = 1; i < NAMES.size(); ++i) {
        if (NAMES[i - 1].id >= NAMES[i].id) {
            return false;
        }
    }
    return true;
}
static_assert(isSorted(), "NAMES must be sorted by number without repeats");

}  // namespace

std::optional<std::string> BuiltinDescriptions::loadString(std::uint32_t id) const {
    const auto it = std::lower_bound(NAMES.begin(), NAMES.end(), id,
                                     [](const NameEntry& e, std::uint32_t v) { return e.id < v; });
    if (it == NAMES.end() || it->id != id) {
        return std::nullopt;
    }
    return std::string(it->name);
}

const DescriptionLibrary& builtinDescriptions() {
    static const BuiltinDescriptions library;
    return library;
}

}  // namespace effects
