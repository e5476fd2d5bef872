#include "effects/EffectRegistry.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "effects/Blinds.h"
#include "effects/BlockTurn3D.h"
#include "effects/CentreBox.h"
#include "effects/CircleReveal.h"
#include "effects/CircleSmear.h"
#include "effects/ClockWipe.h"
#include "effects/CrossFade.h"
#include "effects/CubeShuffle3D.h"
#include "effects/DiagonalGlowWipe.h"
#include "effects/DiagonalSqueeze.h"
#include "effects/DoorSwing.h"
#include "effects/EffectOperation.h"
#include "effects/FadeThroughImage.h"
#include "effects/FilmStrip.h"
#include "effects/GlassShatter.h"
#include "effects/GlitchPush.h"
#include "effects/MapWipe.h"
#include "effects/MeltDown.h"
#include "effects/MidCut.h"
#include "effects/NegativeFlash.h"
#include "effects/NoiseBurn.h"
#include "effects/PageEffects.h"
#include "effects/PlaneTurn3D.h"
#include "effects/QuadraticWarp.h"
#include "effects/RippleDissolve.h"
#include "effects/ScatterSwap.h"
#include "effects/ShatterEffects.h"
#include "effects/SideDoors.h"
#include "effects/SlideThroughBlack.h"
#include "effects/SmearWipe.h"
#include "effects/StripEffects.h"
#include "effects/StripFold3D.h"
#include "effects/StripSpread3D.h"
#include "effects/SwingSequence.h"
#include "effects/SwirlAway.h"
#include "effects/TileFlight3D.h"
#include "effects/TitleEchoes.h"
#include "effects/TitleFollowPath.h"
#include "effects/TitleReveals.h"
#include "effects/TitleScaling.h"
#include "effects/TitleSlides.h"
#include "effects/TitleTurns.h"
#include "platform/Dialogs.h"

namespace effects {

namespace {

constexpr const char* UNTITLED_FORMAT = "Untitled FX #%d";
constexpr const char* MISSED_DESCRIPTION = "Missed description!";
constexpr const char* LIBRARY_MISSING = "Internal Error: tranrun.dll Missed";

std::unique_ptr<PictureEffect> makePictureEffect(PictureHandler handler, RandomGenerator& random,
                                                 PixelPath path, SharedScene& scene,
                                                 const SeedClock& clock) {
    switch (handler) {
        case PictureHandler::PlaneTurn3D:
            return std::make_unique<PlaneTurn3D>(scene);
        case PictureHandler::BlockTurn3D:
            return std::make_unique<BlockTurn3D>(scene);
        case PictureHandler::CubeShuffle3D:
            return std::make_unique<CubeShuffle3D>(scene);
        case PictureHandler::StripSpread3D:
            return std::make_unique<StripSpread3D>(scene);
        case PictureHandler::StripFold3D:
            return std::make_unique<StripFold3D>(scene);
        case PictureHandler::TileFlight3D:
            return std::make_unique<TileFlight3D>(scene, random);
        case PictureHandler::StripWipe:
            return std::make_unique<StripEffect>(StripEffect::Motion::Wipe);
        case PictureHandler::StripCover:
            return std::make_unique<StripEffect>(StripEffect::Motion::Cover);
        case PictureHandler::StripPush:
            return std::make_unique<StripEffect>(StripEffect::Motion::Push);
        case PictureHandler::SlideThroughBlack:
            return std::make_unique<SlideThroughBlack>();
        case PictureHandler::SmearWipe:
            return std::make_unique<SmearWipe>();
        case PictureHandler::Blinds:
            return std::make_unique<Blinds>();
        case PictureHandler::CentreBox:
            return std::make_unique<CentreBox>();
        case PictureHandler::MidCut:
            return std::make_unique<MidCut>();
        case PictureHandler::CrossFade:
            return std::make_unique<CrossFade>();
        case PictureHandler::NegativeFlash:
            return std::make_unique<NegativeFlash>(path);
        case PictureHandler::FadeThroughImage:
            return std::make_unique<FadeThroughImage>(random);
        case PictureHandler::MapWipe:
            return std::make_unique<MapWipe>(path);
        case PictureHandler::PageCurl:
            return std::make_unique<PageEffect>(PageEffect::Fold::Curl);
        case PictureHandler::PageRoll:
            return std::make_unique<PageEffect>(PageEffect::Fold::Roll);
        case PictureHandler::QuadraticWarpA:
            return std::make_unique<QuadraticWarpA>();
        case PictureHandler::QuadraticWarpB:
            return std::make_unique<QuadraticWarpB>();
        case PictureHandler::DiagonalSqueeze:
            return std::make_unique<DiagonalSqueeze>(random);
        case PictureHandler::SideDoors:
            return std::make_unique<SideDoors>();
        case PictureHandler::SwingSequence:
            return std::make_unique<SwingSequence>();
        case PictureHandler::CircleReveal:
            return std::make_unique<CircleReveal>();
        case PictureHandler::RippleDissolve:
            return std::make_unique<RippleDissolve>(path);
        case PictureHandler::GlassShatter:
            return std::make_unique<GlassShatter>();
        case PictureHandler::RandomBlocks:
            return std::make_unique<RandomBlocks>(random, path);
        case PictureHandler::ShatterBlocks:
            return std::make_unique<ShatterBlocks>(random, clock, path);
        case PictureHandler::ShatterFine:
            return std::make_unique<ShatterFine>(random, clock, path);
        case PictureHandler::DoorSwing:
            return std::make_unique<DoorSwing>(path);
        case PictureHandler::ClockWipe:
            return std::make_unique<ClockWipe>();
        case PictureHandler::NoiseBurn:
            return std::make_unique<NoiseBurn>(random, clock, path);
        case PictureHandler::CircleSmear:
            return std::make_unique<CircleSmear>(path);
        case PictureHandler::DiagonalGlowWipe:
            return std::make_unique<DiagonalGlowWipe>();
        case PictureHandler::MeltDown:
            return std::make_unique<MeltDown>(random, clock);
        case PictureHandler::GlitchPush:
            return std::make_unique<GlitchPush>(random, clock);
        case PictureHandler::SwirlAway:
            return std::make_unique<SwirlAway>(path);
        case PictureHandler::ScatterSwap:
            return std::make_unique<ScatterSwap>(random, clock, path);
        case PictureHandler::FilmStrip:
            return std::make_unique<FilmStrip>();
        case PictureHandler::None:
            return nullptr;
    }
    return nullptr;
}

std::unique_ptr<TitleEffect> makeTitleEffect(TitleHandler handler, RandomGenerator& random) {
    switch (handler) {
        case TitleHandler::TitleFadeSweep:
            return std::make_unique<TitleFadeSweep>();
        case TitleHandler::TitleMidAppear:
            return std::make_unique<TitleMidAppear>();
        case TitleHandler::TitleFollowPath:
            return std::make_unique<TitleFollowPath>();
        case TitleHandler::TitleGather:
            return std::make_unique<TitleGather>();
        case TitleHandler::TitleRadialFlyIn:
            return std::make_unique<TitleRadialFlyIn>();
        case TitleHandler::TitleConverge:
            return std::make_unique<TitleConverge>();
        case TitleHandler::TitleCascade:
            return std::make_unique<TitleCascade>();
        case TitleHandler::TitleSlideIn:
            return std::make_unique<TitleSlideIn>();
        case TitleHandler::TitleCentreFade:
            return std::make_unique<TitleCentreFade>();
        case TitleHandler::TitleWhirlIn:
            return std::make_unique<TitleWhirlIn>();
        case TitleHandler::TitleSpinIn:
            return std::make_unique<TitleSpinIn>();
        case TitleHandler::TitleLoopIn:
            return std::make_unique<TitleLoopIn>();
        case TitleHandler::TitleZoomIn:
            return std::make_unique<TitleZoomIn>();
        case TitleHandler::TitleSlotEmerge:
            return std::make_unique<TitleSlotEmerge>();
        case TitleHandler::TitleStretchDrop:
            return std::make_unique<TitleStretchDrop>(random);
        case TitleHandler::TitleSplitJoin:
            return std::make_unique<TitleSplitJoin>();
        case TitleHandler::TitleEchoThrough:
            return std::make_unique<TitleEchoThrough>();
        case TitleHandler::TitleZoomThrough:
            return std::make_unique<TitleZoomThrough>();
        case TitleHandler::TitleSwingThrough:
            return std::make_unique<TitleSwingThrough>();
        case TitleHandler::TitleRollAround:
            return std::make_unique<TitleRollAround>();
        case TitleHandler::TitlePopIn:
            return std::make_unique<TitlePopIn>();
        case TitleHandler::TitlePopRandom:
            return std::make_unique<TitlePopRandom>(random);
        case TitleHandler::TitleBounceIn:
            return std::make_unique<TitleBounceIn>();
        case TitleHandler::TitleCornerFly:
            return std::make_unique<TitleCornerFly>();
        case TitleHandler::TitleRollingIn:
            return std::make_unique<TitleRollingIn>();
        case TitleHandler::None:
            break;
    }
    return nullptr;
}

int clampSlot(int slot, int slotCount) {
    return std::clamp(slot, 0, slotCount - 1);
}

void copyText(char* destination, const std::string& text, std::size_t maxChars) {
    const std::size_t length = std::min(text.size(), maxChars);
    std::memcpy(destination, text.data(), length);
    destination[length] = '\0';
}

}  // namespace

EffectRegistry::EffectRegistry()
    : EffectRegistry(Options{.seed = static_cast<std::uint32_t>(std::time(nullptr))}) {}

EffectRegistry::EffectRegistry(const Options& options)
    : constructionRandom_(options.seed),
      playRandom_(options.playSeed),
      seedClock_(options.seedClock),
      library_(options.library),
      dialogs_(options.dialogs),
      scene_(std::make_unique<SharedScene>()) {
    for (int slot = 0; slot < PICTURE_SLOT_COUNT; ++slot) {
        const PictureEffectRecord& record = PICTURE_TABLE[static_cast<std::size_t>(slot)];
        PictureSlot& s = pictureSlots_[static_cast<std::size_t>(slot)];
        s.handler = record.handler;
        s.direction = record.direction;
        s.parameter = record.parameter;
    }
    for (int slot = 0; slot < TITLE_SLOT_COUNT; ++slot) {
        const TitleEffectRecord& record = TITLE_TABLE[static_cast<std::size_t>(slot)];
        TitleSlot& s = titleSlots_[static_cast<std::size_t>(slot)];
        s.handler = record.handler;
        s.direction = record.direction;
        s.parameter = record.parameter;
    }
    for (int h = 0; h < PICTURE_HANDLER_COUNT; ++h) {
        pictureEffects_[static_cast<std::size_t>(h)] = makePictureEffect(
            static_cast<PictureHandler>(h), playRandom_, options.pixelPath, *scene_, seedClock_);
    }
    for (int h = 0; h < TITLE_HANDLER_COUNT; ++h) {
        titleEffects_[static_cast<std::size_t>(h)] =
            makeTitleEffect(static_cast<TitleHandler>(h), playRandom_);
    }
    // The first draws come from the constructing thread's generator, later
    // ones (after each End) from the play thread's.
    PictureSlot& pictureRandom = pictureSlots_[PICTURE_RANDOM_SLOT];
    const auto& pictureDraw =
        PICTURE_TABLE[static_cast<std::size_t>(constructionRandom_.next() % PICTURE_RANDOM_SLOT)];
    pictureRandom.handler = pictureDraw.handler;
    pictureRandom.direction = pictureDraw.direction;
    pictureRandom.parameter = pictureDraw.parameter;
    TitleSlot& titleRandom = titleSlots_[TITLE_RANDOM_SLOT];
    const auto& titleDraw =
        TITLE_TABLE[static_cast<std::size_t>(constructionRandom_.next() % TITLE_RANDOM_SLOT)];
    titleRandom.handler = titleDraw.handler;
    titleRandom.direction = titleDraw.direction;
    titleRandom.parameter = titleDraw.parameter;
}

EffectRegistry::~EffectRegistry() = default;

void EffectRegistry::drawRandomPicture() {
    const auto& draw =
        PICTURE_TABLE[static_cast<std::size_t>(playRandom_.next() % PICTURE_RANDOM_SLOT)];
    PictureSlot& slot = pictureSlots_[PICTURE_RANDOM_SLOT];
    slot.handler = draw.handler;
    slot.direction = draw.direction;
    slot.parameter = draw.parameter;
}

void EffectRegistry::drawRandomTitle() {
    const auto& draw =
        TITLE_TABLE[static_cast<std::size_t>(playRandom_.next() % TITLE_RANDOM_SLOT)];
    TitleSlot& slot = titleSlots_[TITLE_RANDOM_SLOT];
    slot.handler = draw.handler;
    slot.direction = draw.direction;
    slot.parameter = draw.parameter;
}

template <typename Slots, typename Table>
int EffectRegistry::loadTexts(Slots& slots, const Table& table, int load) {
    const int slotCount = static_cast<int>(slots.size());
    if (load == 0) {
        return slotCount;
    }
    if (library_ == nullptr) {
        if (dialogs_ != nullptr) {
            dialogs_->messageBox(LIBRARY_MISSING, "", platform::MB_OK);
        }
        return 0;
    }
    int untitled = 0;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        std::optional<std::string> name;
        if (table[i].nameId != 0) {
            name = library_->loadString(table[i].nameId);
        }
        if (!name) {
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, UNTITLED_FORMAT, untitled++);
            name = buffer;
        }
        std::optional<std::string> description;
        if (table[i].descriptionId != 0) {
            description = library_->loadString(table[i].descriptionId);
        }
        slots[i].name = name->substr(0, EFFECT_NAME_CHARS);
        slots[i].description =
            description.value_or(MISSED_DESCRIPTION).substr(0, EFFECT_DESCRIPTION_CHARS);
    }
    return slotCount;
}

int EffectRegistry::loadPictureTexts(int load) {
    return loadTexts(pictureSlots_, PICTURE_TABLE, load);
}

int EffectRegistry::loadTitleTexts(int load) {
    return loadTexts(titleSlots_, TITLE_TABLE, load);
}

int EffectRegistry::describe(int slot, int kind, DescribeRequest& request) const {
    const std::string* name = nullptr;
    const std::string* description = nullptr;
    if (kind == EFFECT_KIND_PICTURE) {
        slot = clampSlot(slot, PICTURE_SLOT_COUNT);
        const PictureSlot& s = pictureSlots_[static_cast<std::size_t>(slot)];
        name = &s.name;
        description = &s.description;
    } else if (kind == EFFECT_KIND_TITLE) {
        slot = clampSlot(slot, TITLE_SLOT_COUNT);
        const TitleSlot& s = titleSlots_[static_cast<std::size_t>(slot)];
        name = &s.name;
        description = &s.description;
    } else {
        return 0;
    }
    if ((request.flags & DESCRIBE_NAME) != 0) {
        copyText(request.name, *name, EFFECT_NAME_CHARS);
    }
    if ((request.flags & DESCRIBE_DESCRIPTION) != 0) {
        copyText(request.description, *description, EFFECT_DESCRIPTION_CHARS);
    }
    return 1;
}

int EffectRegistry::first(int kind) {
    if (kind == EFFECT_KIND_PICTURE) {
        pictureCursor_ = 0;
        return 0;
    }
    if (kind == EFFECT_KIND_TITLE) {
        titleCursor_ = 0;
        return 0;
    }
    return -1;
}

int EffectRegistry::next(int kind) {
    int* cursor = nullptr;
    if (kind == EFFECT_KIND_PICTURE) {
        cursor = &pictureCursor_;
    } else if (kind == EFFECT_KIND_TITLE) {
        cursor = &titleCursor_;
    } else {
        return -1;
    }
    if (*cursor + 1 >= count(kind)) {
        *cursor = count(kind);
        return -1;
    }
    return ++*cursor;
}

int EffectRegistry::count(int kind) const {
    if (kind == EFFECT_KIND_PICTURE) {
        return PICTURE_SLOT_COUNT;
    }
    if (kind == EFFECT_KIND_TITLE) {
        return TITLE_SLOT_COUNT;
    }
    return 0;
}

int EffectRegistry::runPicture(int slot, int operation, const PictureFrameData* data) {
    slot = clampSlot(slot, PICTURE_SLOT_COUNT);
    PictureSlot& record = pictureSlots_[static_cast<std::size_t>(slot)];
    PictureFrameBlock block;
    if (data != nullptr) {
        block.from = data->from;
        block.to = data->to;
        block.out = data->out;
        block.width = data->width;
        block.height = data->height;
        block.elapsed = data->elapsed;
        block.duration = data->duration;
    }
    block.direction = record.direction;
    block.parameter = record.parameter;

    if (operation == EFFECT_BEGIN) {
        if (record.active) {
            return 0;
        }
        record.active = true;
    } else if (operation == EFFECT_END) {
        if (!record.active) {
            return 0;
        }
        record.active = false;
    } else if (operation == EFFECT_FRAME) {
        // Handlers index the pictures by elapsed / duration: a frame outside
        // 0..duration would draw past the buffers.
        if (data == nullptr || !hasPictures(block) || block.duration < 1) {
            return 0;
        }
        block.elapsed = std::clamp(block.elapsed, 0, block.duration);
    }

    PictureEffect* effect = pictureEffects_[static_cast<std::size_t>(record.handler)].get();
    const int result = effect != nullptr ? dispatchPicture(*effect, operation, block) : 0;
    if (operation == EFFECT_END && slot == PICTURE_RANDOM_SLOT) {
        drawRandomPicture();
    }
    return result;
}

int EffectRegistry::runTitle(int slot, int operation, const TitleFrameData& data) {
    slot = clampSlot(slot, TITLE_SLOT_COUNT);
    const TitleSlot& record = titleSlots_[static_cast<std::size_t>(slot)];
    TitleFrameBlock block;
    block.deviceContext = data.deviceContext;
    block.target = data.target;
    block.text = data.text;
    block.glyphs = data.glyphs;
    block.glyphCount = data.glyphCount;
    block.width = data.width;
    block.height = data.height;
    block.elapsed = data.elapsed;
    block.duration = data.duration;
    block.direction = record.direction;
    block.parameter = record.parameter;
    if (operation == EFFECT_FRAME && block.duration < 1) {
        return 0;
    }
    TitleEffect* effect = titleEffects_[static_cast<std::size_t>(record.handler)].get();
    const int result = effect != nullptr ? dispatchTitle(*effect, operation, block) : 0;
    if (operation == EFFECT_END && slot == TITLE_RANDOM_SLOT) {
        drawRandomTitle();
    }
    return result;
}

PictureHandler EffectRegistry::pictureHandler(int slot) const {
    return pictureSlots_[static_cast<std::size_t>(clampSlot(slot, PICTURE_SLOT_COUNT))].handler;
}

TitleHandler EffectRegistry::titleHandler(int slot) const {
    return titleSlots_[static_cast<std::size_t>(clampSlot(slot, TITLE_SLOT_COUNT))].handler;
}

bool EffectRegistry::isPictureSlotActive(int slot) const {
    return pictureSlots_[static_cast<std::size_t>(clampSlot(slot, PICTURE_SLOT_COUNT))].active;
}

}  // namespace effects
