#pragma once

#include <array>
#include <cstdint>

namespace effects {

// Direction codes of the effect records; the same values in both tables.
// Picture wipes, slides and blinds move toward the named side; title slides
// and the ramp map wipe start from it. Picture rows are stored bottom-up.
enum EffectDirection : std::uint16_t {
    DirNone = 0x00,
    DirUp = 0x01,
    DirRight = 0x04,
    DirDown = 0x10,
    DirLeft = 0x40,
    DirVertical = 0x11,    // title table only: both vertical sides
    DirHorizontal = 0x44,  // title table only: both horizontal sides
};

// Table kinds as callers name them.
enum EffectKind : int {
    EFFECT_KIND_PICTURE = 1,
    EFFECT_KIND_TITLE = 2,
};

// The handlers of the picture table. None is the random slot's static form.
enum class PictureHandler : std::uint8_t {
    None,
    PlaneTurn3D,
    BlockTurn3D,
    CubeShuffle3D,
    StripSpread3D,
    StripFold3D,
    TileFlight3D,
    NoiseBurn,
    CircleSmear,
    PageRoll,
    DiagonalGlowWipe,
    PageCurl,
    ShatterFine,
    ShatterBlocks,
    ScatterSwap,
    MeltDown,
    GlassShatter,
    RandomBlocks,
    MidCut,
    NegativeFlash,
    CrossFade,
    FadeThroughImage,
    MapWipe,
    ClockWipe,
    CircleReveal,
    StripPush,
    StripCover,
    StripWipe,
    SlideThroughBlack,
    CentreBox,
    Blinds,
    SmearWipe,
    FilmStrip,
    RippleDissolve,
    SwirlAway,
    GlitchPush,
    SideDoors,
    SwingSequence,
    DoorSwing,
    QuadraticWarpB,
    QuadraticWarpA,
    DiagonalSqueeze,
};
inline constexpr int PICTURE_HANDLER_COUNT = static_cast<int>(PictureHandler::DiagonalSqueeze) + 1;

// The handlers of the title table. None is the random slot's static form.
enum class TitleHandler : std::uint8_t {
    None,
    TitleFadeSweep,
    TitleMidAppear,
    TitleFollowPath,
    TitleGather,
    TitleRadialFlyIn,
    TitleConverge,
    TitleCascade,
    TitleSlideIn,
    TitleCentreFade,
    TitleWhirlIn,
    TitleSpinIn,
    TitleLoopIn,
    TitleZoomIn,
    TitleSlotEmerge,
    TitleStretchDrop,
    TitleSplitJoin,
    TitleEchoThrough,
    TitleZoomThrough,
    TitleSwingThrough,
    TitleRollAround,
    TitlePopIn,
    TitlePopRandom,
    TitleBounceIn,
    TitleCornerFly,
    TitleRollingIn,
};
inline constexpr int TITLE_HANDLER_COUNT = static_cast<int>(TitleHandler::TitleRollingIn) + 1;

// The constant part of one slot: what a film's effect number selects.
template <typename Handler>
struct EffectRecord {
    std::uint32_t nameId;         // string number of the display name; 0: none
    std::uint32_t descriptionId;  // string number of the description; 0: none
    Handler handler;
    std::uint16_t direction;  // an EffectDirection, 0 when the effect has none
    std::int32_t parameter;   // strips, block size, map type ...: the handler's to read
    std::int32_t tag;         // carried along, never read by the player
};
using PictureEffectRecord = EffectRecord<PictureHandler>;
using TitleEffectRecord = EffectRecord<TitleHandler>;

// Slots 0-97 are real effects, 98 the random slot; likewise 0-52 and 53.
inline constexpr int PICTURE_SLOT_COUNT = 99;
inline constexpr int PICTURE_RANDOM_SLOT = 98;
inline constexpr int TITLE_SLOT_COUNT = 54;
inline constexpr int TITLE_RANDOM_SLOT = 53;
// The random slot's name string; never overwritten by a draw.
inline constexpr std::uint32_t RANDOM_SLOT_NAME_ID = 3;

// The two tables, slot by slot. Films store slot numbers, so a slot's handler,
// direction and parameter never move.
extern const std::array<PictureEffectRecord, PICTURE_SLOT_COUNT> PICTURE_TABLE;
extern const std::array<TitleEffectRecord, TITLE_SLOT_COUNT> TITLE_TABLE;

const char* pictureHandlerName(PictureHandler handler);
const char* titleHandlerName(TitleHandler handler);

}  // namespace effects
