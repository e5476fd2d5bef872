#include "effects/EffectTables.h"

namespace effects {

// clang-format off
const std::array<PictureEffectRecord, PICTURE_SLOT_COUNT> PICTURE_TABLE = {{
    {10, 0, PictureHandler::PlaneTurn3D, 0x04, 1, 19},  // 0
    {121, 0, PictureHandler::PlaneTurn3D, 0x40, 1, 19},  // 1
    {32, 0, PictureHandler::PlaneTurn3D, 0x01, 2, 19},  // 2
    {122, 0, PictureHandler::PlaneTurn3D, 0x10, 2, 19},  // 3
    {34, 0, PictureHandler::PlaneTurn3D, 0x00, 3, 19},  // 4
    {80, 0, PictureHandler::PlaneTurn3D, 0x00, 4, 19},  // 5
    {81, 0, PictureHandler::PlaneTurn3D, 0x00, 5, 19},  // 6
    {15, 0, PictureHandler::BlockTurn3D, 0x04, 1, 19},  // 7
    {123, 0, PictureHandler::BlockTurn3D, 0x40, 1, 19},  // 8
    {94, 0, PictureHandler::BlockTurn3D, 0x04, 2, 19},  // 9
    {124, 0, PictureHandler::BlockTurn3D, 0x40, 2, 19},  // 10
    {85, 0, PictureHandler::BlockTurn3D, 0x00, 3, 19},  // 11
    {95, 0, PictureHandler::BlockTurn3D, 0x00, 4, 19},  // 12
    {96, 0, PictureHandler::BlockTurn3D, 0x00, 5, 19},  // 13
    {24, 0, PictureHandler::CubeShuffle3D, 0x00, 0, 19},  // 14
    {109, 0, PictureHandler::StripSpread3D, 0x00, 0, 19},  // 15
    {110, 0, PictureHandler::StripSpread3D, 0x00, 1, 19},  // 16
    {113, 0, PictureHandler::StripFold3D, 0x00, 0, 19},  // 17
    {114, 0, PictureHandler::TileFlight3D, 0x01, 0, 19},  // 18
    {118, 0, PictureHandler::TileFlight3D, 0x10, 0, 19},  // 19
    {119, 0, PictureHandler::TileFlight3D, 0x40, 0, 19},  // 20
    {120, 0, PictureHandler::TileFlight3D, 0x04, 0, 19},  // 21
    {57, 0, PictureHandler::NoiseBurn, 0x00, 0, 19},  // 22
    {5, 0, PictureHandler::CircleSmear, 0x00, 0, 19},  // 23
    {52, 0, PictureHandler::PageRoll, 0x00, 1, 19},  // 24
    {54, 0, PictureHandler::DiagonalGlowWipe, 0x00, 0, 19},  // 25
    {53, 0, PictureHandler::PageCurl, 0x00, 1, 19},  // 26
    {55, 0, PictureHandler::PageRoll, 0x00, 0, 19},  // 27
    {56, 0, PictureHandler::PageCurl, 0x00, 0, 19},  // 28
    {60, 0, PictureHandler::ShatterFine, 0x00, 0, 19},  // 29
    {61, 0, PictureHandler::ShatterBlocks, 0x00, 4, 19},  // 30
    {62, 0, PictureHandler::ShatterBlocks, 0x00, 8, 19},  // 31
    {63, 0, PictureHandler::ShatterBlocks, 0x00, 20, 19},  // 32
    {64, 0, PictureHandler::ScatterSwap, 0x00, 0, 19},  // 33
    {9, 0, PictureHandler::MeltDown, 0x00, 0, 19},  // 34
    {4, 0, PictureHandler::GlassShatter, 0x00, 0, 19},  // 35
    {47, 0, PictureHandler::RandomBlocks, 0x00, 4, 19},  // 36
    {48, 0, PictureHandler::RandomBlocks, 0x00, 8, 19},  // 37
    {49, 0, PictureHandler::RandomBlocks, 0x00, 20, 19},  // 38
    {1, 0, PictureHandler::MidCut, 0x00, 0, 0},  // 39
    {65, 0, PictureHandler::NegativeFlash, 0x00, 0, 19},  // 40
    {38, 0, PictureHandler::CrossFade, 0x00, 1, 19},  // 41
    {115, 0, PictureHandler::FadeThroughImage, 0x00, 0, 19},  // 42
    {26, 0, PictureHandler::MapWipe, 0x00, 8, 19},  // 43
    {18, 0, PictureHandler::MapWipe, 0x00, 264, 19},  // 44
    {36, 0, PictureHandler::MapWipe, 0x00, 780, 19},  // 45
    {76, 0, PictureHandler::ClockWipe, 0x04, 0, 19},  // 46
    {77, 0, PictureHandler::ClockWipe, 0x40, 0, 19},  // 47
    {88, 0, PictureHandler::CircleReveal, 0x00, 0, 19},  // 48
    {11, 0, PictureHandler::StripPush, 0x01, 1, 3},  // 49
    {12, 0, PictureHandler::StripPush, 0x10, 1, 4},  // 50
    {13, 0, PictureHandler::StripPush, 0x40, 1, 2},  // 51
    {14, 0, PictureHandler::StripPush, 0x04, 1, 1},  // 52
    {19, 0, PictureHandler::StripCover, 0x01, 1, 11},  // 53
    {20, 0, PictureHandler::StripCover, 0x10, 1, 12},  // 54
    {21, 0, PictureHandler::StripCover, 0x40, 1, 10},  // 55
    {22, 0, PictureHandler::StripCover, 0x04, 1, 9},  // 56
    {27, 0, PictureHandler::StripWipe, 0x01, 1, 7},  // 57
    {28, 0, PictureHandler::StripWipe, 0x10, 1, 8},  // 58
    {29, 0, PictureHandler::StripWipe, 0x40, 1, 5},  // 59
    {30, 0, PictureHandler::StripWipe, 0x04, 1, 6},  // 60
    {125, 0, PictureHandler::SlideThroughBlack, 0x40, 0, 15},  // 61
    {126, 0, PictureHandler::SlideThroughBlack, 0x04, 0, 16},  // 62
    {127, 0, PictureHandler::SlideThroughBlack, 0x01, 0, 17},  // 63
    {128, 0, PictureHandler::SlideThroughBlack, 0x10, 0, 18},  // 64
    {116, 0, PictureHandler::CentreBox, 0x40, 0, 14},  // 65
    {117, 0, PictureHandler::CentreBox, 0x40, 1, 13},  // 66
    {106, 0, PictureHandler::MapWipe, 0x10, 512, 19},  // 67
    {99, 0, PictureHandler::MapWipe, 0x01, 512, 19},  // 68
    {108, 0, PictureHandler::MapWipe, 0x40, 512, 19},  // 69
    {107, 0, PictureHandler::MapWipe, 0x04, 512, 19},  // 70
    {16, 0, PictureHandler::StripPush, 0x01, 50, 19},  // 71
    {17, 0, PictureHandler::StripPush, 0x40, 50, 19},  // 72
    {23, 0, PictureHandler::StripCover, 0x01, 50, 19},  // 73
    {25, 0, PictureHandler::StripCover, 0x40, 50, 19},  // 74
    {31, 0, PictureHandler::StripWipe, 0x01, 50, 19},  // 75
    {33, 0, PictureHandler::StripWipe, 0x40, 50, 19},  // 76
    {39, 0, PictureHandler::Blinds, 0x01, 16, 19},  // 77
    {40, 0, PictureHandler::Blinds, 0x10, 16, 19},  // 78
    {41, 0, PictureHandler::Blinds, 0x40, 16, 19},  // 79
    {42, 0, PictureHandler::Blinds, 0x04, 16, 19},  // 80
    {43, 0, PictureHandler::SmearWipe, 0x10, 1, 19},  // 81
    {44, 0, PictureHandler::SmearWipe, 0x01, 1, 19},  // 82
    {45, 0, PictureHandler::SmearWipe, 0x04, 1, 19},  // 83
    {46, 0, PictureHandler::SmearWipe, 0x40, 1, 19},  // 84
    {6, 0, PictureHandler::FilmStrip, 0x00, 0, 19},  // 85
    {58, 0, PictureHandler::RippleDissolve, 0x00, 0, 19},  // 86
    {7, 0, PictureHandler::SwirlAway, 0x00, 0, 19},  // 87
    {97, 0, PictureHandler::GlitchPush, 0x00, 0, 19},  // 88
    {35, 0, PictureHandler::SideDoors, 0x00, 1, 19},  // 89
    {59, 0, PictureHandler::SwingSequence, 0x00, 0, 19},  // 90
    {66, 0, PictureHandler::DoorSwing, 0x01, 1, 19},  // 91
    {67, 0, PictureHandler::DoorSwing, 0x10, 1, 19},  // 92
    {68, 0, PictureHandler::DoorSwing, 0x40, 1, 19},  // 93
    {69, 0, PictureHandler::DoorSwing, 0x04, 1, 19},  // 94
    {74, 0, PictureHandler::QuadraticWarpB, 0x00, 0, 19},  // 95
    {73, 0, PictureHandler::QuadraticWarpA, 0x00, 0, 19},  // 96
    {111, 0, PictureHandler::DiagonalSqueeze, 0x00, 0, 19},  // 97
    {3, 0, PictureHandler::None, 0x00, 0, 19},  // 98
}};

const std::array<TitleEffectRecord, TITLE_SLOT_COUNT> TITLE_TABLE = {{
    {27, 0, TitleHandler::TitleFadeSweep, 0x10, 0, 5},  // 0
    {28, 0, TitleHandler::TitleFadeSweep, 0x01, 0, 6},  // 1
    {29, 0, TitleHandler::TitleFadeSweep, 0x04, 0, 7},  // 2
    {30, 0, TitleHandler::TitleFadeSweep, 0x40, 0, 8},  // 3
    {1, 0, TitleHandler::TitleMidAppear, 0x00, 0, 0},  // 4
    {445, 0, TitleHandler::TitleFollowPath, 0x00, 1, 12},  // 5
    {446, 0, TitleHandler::TitleFollowPath, 0x00, 0, 12},  // 6
    {447, 0, TitleHandler::TitleFollowPath, 0x00, 2, 12},  // 7
    {448, 0, TitleHandler::TitleFollowPath, 0x00, 3, 12},  // 8
    {406, 0, TitleHandler::TitleGather, 0x10, 0, 12},  // 9
    {407, 0, TitleHandler::TitleGather, 0x01, 0, 12},  // 10
    {408, 0, TitleHandler::TitleGather, 0x04, 0, 12},  // 11
    {409, 0, TitleHandler::TitleGather, 0x40, 0, 12},  // 12
    {404, 0, TitleHandler::TitleRadialFlyIn, 0x00, 0, 12},  // 13
    {444, 0, TitleHandler::TitleConverge, 0x00, 0, 12},  // 14
    {410, 0, TitleHandler::TitleCascade, 0x10, 1, 12},  // 15
    {411, 0, TitleHandler::TitleCascade, 0x01, 1, 12},  // 16
    {412, 0, TitleHandler::TitleCascade, 0x04, 1, 12},  // 17
    {413, 0, TitleHandler::TitleCascade, 0x40, 1, 12},  // 18
    {19, 0, TitleHandler::TitleSlideIn, 0x10, 0, 2},  // 19
    {20, 0, TitleHandler::TitleSlideIn, 0x01, 0, 1},  // 20
    {21, 0, TitleHandler::TitleSlideIn, 0x04, 0, 4},  // 21
    {22, 0, TitleHandler::TitleSlideIn, 0x40, 0, 3},  // 22
    {401, 0, TitleHandler::TitleCentreFade, 0x44, 0, 9},  // 23
    {402, 0, TitleHandler::TitleCentreFade, 0x11, 0, 10},  // 24
    {405, 0, TitleHandler::TitleWhirlIn, 0x00, 0, 12},  // 25
    {436, 0, TitleHandler::TitleSpinIn, 0x00, 0, 12},  // 26
    {437, 0, TitleHandler::TitleSpinIn, 0x00, 1, 12},  // 27
    {449, 0, TitleHandler::TitleLoopIn, 0x00, 0, 11},  // 28
    {418, 0, TitleHandler::TitleZoomIn, 0x00, 0, 12},  // 29
    {421, 0, TitleHandler::TitleZoomIn, 0x00, 1, 12},  // 30
    {427, 0, TitleHandler::TitleZoomIn, 0x00, 2, 12},  // 31
    {438, 0, TitleHandler::TitleSlotEmerge, 0x00, 0, 12},  // 32
    {439, 0, TitleHandler::TitleZoomIn, 0x00, 3, 12},  // 33
    {440, 0, TitleHandler::TitleZoomIn, 0x00, 4, 12},  // 34
    {426, 0, TitleHandler::TitleStretchDrop, 0x00, 0, 12},  // 35
    {428, 0, TitleHandler::TitleSplitJoin, 0x00, 0, 12},  // 36
    {434, 0, TitleHandler::TitleSplitJoin, 0x00, 1, 12},  // 37
    {430, 0, TitleHandler::TitleEchoThrough, 0x01, 0, 12},  // 38
    {431, 0, TitleHandler::TitleEchoThrough, 0x10, 0, 12},  // 39
    {432, 0, TitleHandler::TitleEchoThrough, 0x40, 0, 12},  // 40
    {433, 0, TitleHandler::TitleEchoThrough, 0x04, 0, 12},  // 41
    {435, 0, TitleHandler::TitleZoomThrough, 0x00, 0, 12},  // 42
    {442, 0, TitleHandler::TitleSwingThrough, 0x00, 0, 12},  // 43
    {443, 0, TitleHandler::TitleSwingThrough, 0x00, 1, 12},  // 44
    {419, 0, TitleHandler::TitleRollAround, 0x00, 0, 12},  // 45
    {420, 0, TitleHandler::TitlePopIn, 0x00, 0, 12},  // 46
    {429, 0, TitleHandler::TitlePopRandom, 0x00, 0, 12},  // 47
    {441, 0, TitleHandler::TitleBounceIn, 0x00, 0, 12},  // 48
    {422, 0, TitleHandler::TitleCornerFly, 0x04, 0, 12},  // 49
    {423, 0, TitleHandler::TitleCornerFly, 0x40, 0, 12},  // 50
    {424, 0, TitleHandler::TitleRollingIn, 0x04, 0, 12},  // 51
    {425, 0, TitleHandler::TitleRollingIn, 0x40, 0, 12},  // 52
    {3, 0, TitleHandler::None, 0x00, 0, 12},  // 53
}};
// clang-format on

const char* pictureHandlerName(PictureHandler handler) {
    switch (handler) {
        case PictureHandler::None:
            return "(random slot)";
        case PictureHandler::PlaneTurn3D:
            return "PlaneTurn3D";
        case PictureHandler::BlockTurn3D:
            return "BlockTurn3D";
        case PictureHandler::CubeShuffle3D:
            return "CubeShuffle3D";
        case PictureHandler::StripSpread3D:
            return "StripSpread3D";
        case PictureHandler::StripFold3D:
            return "StripFold3D";
        case PictureHandler::TileFlight3D:
            return "TileFlight3D";
        case PictureHandler::NoiseBurn:
            return "NoiseBurn";
        case PictureHandler::CircleSmear:
            return "CircleSmear";
        case PictureHandler::PageRoll:
            return "PageRoll";
        case PictureHandler::DiagonalGlowWipe:
            return "DiagonalGlowWipe";
        case PictureHandler::PageCurl:
            return "PageCurl";
        case PictureHandler::ShatterFine:
            return "ShatterFine";
        case PictureHandler::ShatterBlocks:
            return "ShatterBlocks";
        case PictureHandler::ScatterSwap:
            return "ScatterSwap";
        case PictureHandler::MeltDown:
            return "MeltDown";
        case PictureHandler::GlassShatter:
            return "GlassShatter";
        case PictureHandler::RandomBlocks:
            return "RandomBlocks";
        case PictureHandler::MidCut:
            return "MidCut";
        case PictureHandler::NegativeFlash:
            return "NegativeFlash";
        case PictureHandler::CrossFade:
            return "CrossFade";
        case PictureHandler::FadeThroughImage:
            return "FadeThroughImage";
        case PictureHandler::MapWipe:
            return "MapWipe";
        case PictureHandler::ClockWipe:
            return "ClockWipe";
        case PictureHandler::CircleReveal:
            return "CircleReveal";
        case PictureHandler::StripPush:
            return "StripPush";
        case PictureHandler::StripCover:
            return "StripCover";
        case PictureHandler::StripWipe:
            return "StripWipe";
        case PictureHandler::SlideThroughBlack:
            return "SlideThroughBlack";
        case PictureHandler::CentreBox:
            return "CentreBox";
        case PictureHandler::Blinds:
            return "Blinds";
        case PictureHandler::SmearWipe:
            return "SmearWipe";
        case PictureHandler::FilmStrip:
            return "FilmStrip";
        case PictureHandler::RippleDissolve:
            return "RippleDissolve";
        case PictureHandler::SwirlAway:
            return "SwirlAway";
        case PictureHandler::GlitchPush:
            return "GlitchPush";
        case PictureHandler::SideDoors:
            return "SideDoors";
        case PictureHandler::SwingSequence:
            return "SwingSequence";
        case PictureHandler::DoorSwing:
            return "DoorSwing";
        case PictureHandler::QuadraticWarpB:
            return "QuadraticWarpB";
        case PictureHandler::QuadraticWarpA:
            return "QuadraticWarpA";
        case PictureHandler::DiagonalSqueeze:
            return "DiagonalSqueeze";
    }
    return "?";
}

const char* titleHandlerName(TitleHandler handler) {
    switch (handler) {
        case TitleHandler::None:
            return "(random slot)";
        case TitleHandler::TitleFadeSweep:
            return "TitleFadeSweep";
        case TitleHandler::TitleMidAppear:
            return "TitleMidAppear";
        case TitleHandler::TitleFollowPath:
            return "TitleFollowPath";
        case TitleHandler::TitleGather:
            return "TitleGather";
        case TitleHandler::TitleRadialFlyIn:
            return "TitleRadialFlyIn";
        case TitleHandler::TitleConverge:
            return "TitleConverge";
        case TitleHandler::TitleCascade:
            return "TitleCascade";
        case TitleHandler::TitleSlideIn:
            return "TitleSlideIn";
        case TitleHandler::TitleCentreFade:
            return "TitleCentreFade";
        case TitleHandler::TitleWhirlIn:
            return "TitleWhirlIn";
        case TitleHandler::TitleSpinIn:
            return "TitleSpinIn";
        case TitleHandler::TitleLoopIn:
            return "TitleLoopIn";
        case TitleHandler::TitleZoomIn:
            return "TitleZoomIn";
        case TitleHandler::TitleSlotEmerge:
            return "TitleSlotEmerge";
        case TitleHandler::TitleStretchDrop:
            return "TitleStretchDrop";
        case TitleHandler::TitleSplitJoin:
            return "TitleSplitJoin";
        case TitleHandler::TitleEchoThrough:
            return "TitleEchoThrough";
        case TitleHandler::TitleZoomThrough:
            return "TitleZoomThrough";
        case TitleHandler::TitleSwingThrough:
            return "TitleSwingThrough";
        case TitleHandler::TitleRollAround:
            return "TitleRollAround";
        case TitleHandler::TitlePopIn:
            return "TitlePopIn";
        case TitleHandler::TitlePopRandom:
            return "TitlePopRandom";
        case TitleHandler::TitleBounceIn:
            return "TitleBounceIn";
        case TitleHandler::TitleCornerFly:
            return "TitleCornerFly";
        case TitleHandler::TitleRollingIn:
            return "TitleRollingIn";
    }
    return "?";
}

}  // namespace effects
