#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "TransitionFixture.h"
#include "effects/EffectRegistry.h"
#include "effects/EffectTables.h"
#include "platform/Dialogs.h"

namespace effects {
namespace {

using testing::FROM_TAG;
using testing::OriginPicture;
using testing::TO_TAG;
using testing::TransitionRun;

template <typename Table, typename NameOf>
std::string dumpTable(const Table& table, NameOf nameOf) {
    std::string text;
    for (std::size_t slot = 0; slot < table.size(); ++slot) {
        const auto& r = table[slot];
        char line[160];
        std::snprintf(line, sizeof line,
                      "%zu name=%u handler=%s direction=0x%02x parameter=%d tag=%d\n", slot,
                      r.nameId, nameOf(r.handler), r.direction, r.parameter, r.tag);
        text += line;
    }
    return text;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The tables decide what every film's effect numbers show; a checked-in copy
// catches an edit that moves a slot.
TEST(EffectTables, MatchTheCheckedInCopies) {
    EXPECT_EQ(dumpTable(PICTURE_TABLE, pictureHandlerName),
              readFile(std::string(EFFECTS_TEST_DATA) + "/picture_table.txt"));
    EXPECT_EQ(dumpTable(TITLE_TABLE, titleHandlerName),
              readFile(std::string(EFFECTS_TEST_DATA) + "/title_table.txt"));
    for (const auto& r : PICTURE_TABLE) {
        EXPECT_EQ(r.descriptionId, 0u);
    }
}

TEST(EffectDescriptions, NameEveryStringNumberOfBothTables) {
    for (const auto& r : PICTURE_TABLE) {
        EXPECT_TRUE(builtinDescriptions().loadString(r.nameId)) << "picture name id " << r.nameId;
    }
    for (const auto& r : TITLE_TABLE) {
        EXPECT_TRUE(builtinDescriptions().loadString(r.nameId)) << "title name id " << r.nameId;
    }
    EXPECT_FALSE(builtinDescriptions().loadString(0));
    EXPECT_FALSE(builtinDescriptions().loadString(2));
}

std::string nameOf(const EffectRegistry& registry, int slot, int kind) {
    DescribeRequest request;
    request.flags = DESCRIBE_NAME;
    EXPECT_EQ(registry.describe(slot, kind, request), 1);
    return request.name;
}

std::string descriptionOf(const EffectRegistry& registry, int slot, int kind) {
    DescribeRequest request;
    request.flags = DESCRIBE_DESCRIPTION;
    EXPECT_EQ(registry.describe(slot, kind, request), 1);
    return request.description;
}

TEST(EffectRegistryTexts, LoadFlagZeroReturnsTheCountsAndLoadsNothing) {
    EffectRegistry registry(EffectRegistry::Options{.seed = 1});
    EXPECT_EQ(registry.loadPictureTexts(0), 99);
    EXPECT_EQ(registry.loadTitleTexts(0), 54);
    EXPECT_EQ(nameOf(registry, 57, EFFECT_KIND_PICTURE), "");
    EXPECT_EQ(descriptionOf(registry, 57, EFFECT_KIND_PICTURE), "");
}

TEST(EffectRegistryTexts, LoadingFillsNamesAndTheMissingDescriptionText) {
    EffectRegistry registry(EffectRegistry::Options{.seed = 1});
    EXPECT_EQ(registry.loadPictureTexts(1), 99);
    EXPECT_EQ(registry.loadTitleTexts(1), 54);
    EXPECT_EQ(nameOf(registry, 57, EFFECT_KIND_PICTURE), "Wipe up");
    EXPECT_EQ(nameOf(registry, 80, EFFECT_KIND_PICTURE), "Blinds right");
    EXPECT_EQ(nameOf(registry, 98, EFFECT_KIND_PICTURE), "Random");
    EXPECT_EQ(nameOf(registry, 53, EFFECT_KIND_TITLE), "Random");
    for (int slot = 0; slot < 99; ++slot) {
        EXPECT_EQ(descriptionOf(registry, slot, EFFECT_KIND_PICTURE), "Missed description!");
    }
    for (int slot = 0; slot < 54; ++slot) {
        EXPECT_EQ(descriptionOf(registry, slot, EFFECT_KIND_TITLE), "Missed description!");
    }
}

// A library that knows only some numbers.
class PartialLibrary final : public DescriptionLibrary {
  public:
    std::optional<std::string> loadString(std::uint32_t id) const override {
        if (id == 27) {
            return std::string(200, 'w');  // longer than a name may be
        }
        return std::nullopt;
    }
};

TEST(EffectRegistryTexts, NamesTheLibraryLacksAreNumberedPerLoad) {
    PartialLibrary library;
    EffectRegistry registry(EffectRegistry::Options{.seed = 1, .library = &library});
    ASSERT_EQ(registry.loadPictureTexts(1), 99);
    EXPECT_EQ(nameOf(registry, 39, EFFECT_KIND_PICTURE), "Untitled FX #39");
    EXPECT_EQ(nameOf(registry, 56, EFFECT_KIND_PICTURE), "Untitled FX #56");
    EXPECT_EQ(nameOf(registry, 57, EFFECT_KIND_PICTURE), std::string(128, 'w'));
    EXPECT_EQ(nameOf(registry, 58, EFFECT_KIND_PICTURE), "Untitled FX #57");
    // The counter starts again for every load (title slot 0 has number 27).
    ASSERT_EQ(registry.loadTitleTexts(1), 54);
    EXPECT_EQ(nameOf(registry, 1, EFFECT_KIND_TITLE), "Untitled FX #0");
}

class RecordingDialogs final : public platform::Dialogs {
  public:
    int messageBox(const std::string& text, const std::string& caption, unsigned style) override {
        messages.push_back(text + "|" + caption + "|" + std::to_string(style));
        return platform::IDOK;
    }
    std::optional<std::string> openFile(const platform::OpenFileRequest&) override {
        return std::nullopt;
    }
    std::vector<std::string> messages;
};

TEST(EffectRegistryTexts, MissingLibraryShowsTheMessageAndReturnsZero) {
    RecordingDialogs dialogs;
    EffectRegistry registry(
        EffectRegistry::Options{.seed = 1, .library = nullptr, .dialogs = &dialogs});
    EXPECT_EQ(registry.loadPictureTexts(0), 99);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(registry.loadPictureTexts(1), 0);
    EXPECT_EQ(registry.loadTitleTexts(1), 0);
    EXPECT_EQ(dialogs.messages,
              (std::vector<std::string>{"Internal Error: tranrun.dll Missed||0",
                                        "Internal Error: tranrun.dll Missed||0"}));
    EXPECT_EQ(nameOf(registry, 57, EFFECT_KIND_PICTURE), "");
}

TEST(EffectRegistryDescribe, ClampsSlotsAndRefusesUnknownKinds) {
    EffectRegistry registry(EffectRegistry::Options{.seed = 1});
    registry.loadPictureTexts(1);
    registry.loadTitleTexts(1);
    EXPECT_EQ(nameOf(registry, -5, EFFECT_KIND_PICTURE), nameOf(registry, 0, EFFECT_KIND_PICTURE));
    EXPECT_EQ(nameOf(registry, 500, EFFECT_KIND_PICTURE), "Random");
    EXPECT_EQ(nameOf(registry, 500, EFFECT_KIND_TITLE), "Random");

    DescribeRequest untouched;
    untouched.flags = DESCRIBE_NAME | DESCRIBE_DESCRIPTION;
    EXPECT_EQ(registry.describe(0, 3, untouched), 0);
    EXPECT_EQ(untouched.name[0], '\0');
    EXPECT_EQ(untouched.description[0], '\0');

    DescribeRequest nameOnly;
    nameOnly.flags = DESCRIBE_NAME;
    ASSERT_EQ(registry.describe(41, EFFECT_KIND_PICTURE, nameOnly), 1);
    EXPECT_STREQ(nameOnly.name, "Cross fade");
    EXPECT_EQ(nameOnly.description[0], '\0');
    EXPECT_EQ(nameOf(registry, 0, EFFECT_KIND_TITLE), "Wipe up");
}

TEST(EffectRegistryEnumeration, ReturnsEverySlotThenMinusOne) {
    EffectRegistry registry(EffectRegistry::Options{.seed = 1});
    for (int kind : {EFFECT_KIND_PICTURE, EFFECT_KIND_TITLE}) {
        SCOPED_TRACE(kind);
        std::vector<int> slots{registry.first(kind)};
        for (int slot = registry.next(kind); slot != -1; slot = registry.next(kind)) {
            slots.push_back(slot);
            ASSERT_LE(slots.size(), 100u);
        }
        EXPECT_EQ(int(slots.size()), registry.count(kind));
        for (std::size_t i = 0; i < slots.size(); ++i) {
            EXPECT_EQ(slots[i], int(i));
        }
        EXPECT_EQ(registry.next(kind), -1);
        EXPECT_EQ(registry.first(kind), 0);
        EXPECT_EQ(registry.next(kind), 1);
    }
    EXPECT_EQ(registry.count(EFFECT_KIND_PICTURE), 99);
    EXPECT_EQ(registry.count(EFFECT_KIND_TITLE), 54);
    EXPECT_EQ(registry.first(0), -1);
    EXPECT_EQ(registry.next(7), -1);
    EXPECT_EQ(registry.count(3), 0);
}

TEST(EffectRegistryRun, ClampsSlotsToTheTable) {
    const OriginPicture from(8, 6, FROM_TAG), to(8, 6, TO_TAG);
    TransitionRun run(8, 6, from.pixels, to.pixels);
    run.begin(-5);
    EXPECT_TRUE(run.registry.isPictureSlotActive(0));
    run.begin(150);
    EXPECT_TRUE(run.registry.isPictureSlotActive(98));
    EXPECT_FALSE(run.registry.isPictureSlotActive(97));
    // Slot 150 runs whatever the random slot holds until its End.
    const PictureHandler held = run.registry.pictureHandler(98);
    EXPECT_EQ(run.registry.pictureHandler(150), held);
    run.frame(150, 50, 100);
    EXPECT_EQ(run.registry.pictureHandler(98), held);
}

TEST(EffectRegistryRun, GuardsBeginAndEnd) {
    // Slot 40 keeps the grey negative of the picture its Begin saw; a refused
    // second Begin must not replace it.
    const std::vector<Pixel> black(16, 0x00000000), white(16, 0x00FFFFFF);
    TransitionRun run(4, 4, black, white);
    EXPECT_EQ(run.end(40), 0);
    EXPECT_FALSE(run.registry.isPictureSlotActive(40));
    run.begin(40);
    TransitionRun second(4, 4, white, black);
    const PictureFrameData other = second.data(0, 100);
    EXPECT_EQ(run.registry.runPicture(40, EFFECT_BEGIN, &other), 0);
    // At 40 % the frame is the negative of black: white.
    EXPECT_EQ(run.frame(40, 40, 100)[0] & 0x00FFFFFF, 0x00FFFFFFu);
    EXPECT_TRUE(run.registry.isPictureSlotActive(40));
    run.end(40);
    EXPECT_FALSE(run.registry.isPictureSlotActive(40));
    EXPECT_EQ(run.end(40), 0);
}

// Transitions that draw from, or reseed, the play generator themselves.
bool usesPlayGenerator(PictureHandler handler) {
    switch (handler) {
        case PictureHandler::FadeThroughImage:
        case PictureHandler::RandomBlocks:
        case PictureHandler::ShatterBlocks:
        case PictureHandler::ShatterFine:
        case PictureHandler::NoiseBurn:
        case PictureHandler::MeltDown:
        case PictureHandler::GlitchPush:
        case PictureHandler::ScatterSwap:
            return true;
        default:
            return false;
    }
}

TEST(EffectRegistryRun, RandomSlotIsDrawnAtConstructionAndAfterEachEnd) {
    // Seeds whose draws stay clear of the transitions that use the play
    // generator between the draws.
    std::uint32_t seed = 12345;
    while (usesPlayGenerator(PICTURE_TABLE[RandomGenerator(seed).next() % 98].handler)) {
        ++seed;
    }
    std::uint32_t playSeed = 99;
    const auto staysClear = [](std::uint32_t s) {
        RandomGenerator g(s);
        for (int use = 0; use < 8; ++use) {
            if (usesPlayGenerator(PICTURE_TABLE[g.next() % 98].handler)) {
                return false;
            }
        }
        return true;
    };
    while (!staysClear(playSeed)) {
        ++playSeed;
    }
    EffectRegistry registry(EffectRegistry::Options{.seed = seed, .playSeed = playSeed});
    RandomGenerator construction(seed), play(playSeed);
    EXPECT_EQ(registry.pictureHandler(98), PICTURE_TABLE[construction.next() % 98].handler);
    EXPECT_EQ(registry.titleHandler(53), TITLE_TABLE[construction.next() % 53].handler);

    const OriginPicture from(8, 6, FROM_TAG), to(8, 6, TO_TAG);
    std::vector<Pixel> out(48);
    PictureFrameData data{0, from.pixels.data(), to.pixels.data(), out.data(), 8, 6, 0, 100};
    // An End that is refused draws nothing.
    const PictureHandler before = registry.pictureHandler(98);
    EXPECT_EQ(registry.runPicture(98, EFFECT_END, nullptr), 0);
    EXPECT_EQ(registry.pictureHandler(98), before);

    std::map<PictureHandler, int> seen;
    for (int use = 0; use < 8; ++use) {
        registry.runPicture(98, EFFECT_BEGIN, &data);
        const PictureHandler during = registry.pictureHandler(98);
        for (int elapsed : {0, 500, 1000}) {
            data.elapsed = elapsed;
            data.duration = 1000;
            registry.runPicture(98, EFFECT_FRAME, &data);
            EXPECT_EQ(registry.pictureHandler(98), during);
        }
        registry.runPicture(98, EFFECT_END, nullptr);
        const auto& drawn = PICTURE_TABLE[play.next() % 98];
        EXPECT_EQ(registry.pictureHandler(98), drawn.handler);
        ++seen[drawn.handler];
    }
    EXPECT_GT(seen.size(), 1u);

    // The title table draws from the same play generator after each End.
    const TitleFrameData title{};
    registry.runTitle(53, EFFECT_BEGIN, title);
    registry.runTitle(53, EFFECT_END, title);
    EXPECT_EQ(registry.titleHandler(53), TITLE_TABLE[play.next() % 53].handler);
}

// The random slot plays the drawn slot's handler with that slot's direction
// and parameter.
TEST(EffectRegistryRun, RandomSlotPlaysTheDrawnSlot) {
    // A seed whose first draw is a wipe, slide or blind: those read direction
    // and parameter.
    std::uint32_t seed = 1;
    while (RandomGenerator(seed).next() % 98 < 49 || RandomGenerator(seed).next() % 98 > 84) {
        ++seed;
    }
    const int drawn = RandomGenerator(seed).next() % 98;
    const OriginPicture from(40, 30, FROM_TAG), to(40, 30, TO_TAG);
    TransitionRun random(40, 30, from.pixels, to.pixels, {.seed = seed});
    TransitionRun direct(40, 30, from.pixels, to.pixels, {.seed = seed});
    random.begin(98);
    direct.begin(drawn);
    for (int elapsed : {100, 400, 700}) {
        EXPECT_EQ(random.frame(98, elapsed, 1000), direct.frame(drawn, elapsed, 1000))
            << "slot " << drawn << " at " << elapsed;
    }
    random.end(98);
    direct.end(drawn);
}

TEST(EffectRegistryRun, RefusesFramesItCannotDrawAndClampsElapsed) {
    const OriginPicture from(10, 4, FROM_TAG), to(10, 4, TO_TAG);
    TransitionRun run(10, 4, from.pixels, to.pixels);
    const std::vector<Pixel> untouched = run.out;
    run.begin(57);
    run.frame(57, 0, 0);
    EXPECT_EQ(run.out, untouched);
    run.frame(57, 5, -100);
    EXPECT_EQ(run.out, untouched);
    PictureFrameData noOut = run.data(50, 100);
    noOut.out = nullptr;
    EXPECT_EQ(run.registry.runPicture(57, EFFECT_FRAME, &noOut), 0);
    EXPECT_EQ(run.registry.runPicture(57, EFFECT_FRAME, nullptr), 0);
    PictureFrameData zeroWidth = run.data(50, 100);
    zeroWidth.width = 0;
    EXPECT_EQ(run.registry.runPicture(57, EFFECT_FRAME, &zeroWidth), 0);
    EXPECT_EQ(run.out, untouched);
    // Operations 2 and 4 are accepted and do nothing.
    const PictureFrameData frame = run.data(50, 100);
    EXPECT_EQ(run.registry.runPicture(57, 2, &frame), 0);
    EXPECT_EQ(run.registry.runPicture(57, 4, &frame), 0);
    EXPECT_EQ(run.out, untouched);

    EXPECT_EQ(run.frame(57, 5000, 1000), to.pixels);
    EXPECT_EQ(run.frame(57, -20, 1000), from.pixels);
}

TEST(EffectRegistryRun, TwoRegistriesRunTheSameHandlerSideBySide) {
    const OriginPicture smallFrom(6, 4, FROM_TAG), smallTo(6, 4, TO_TAG);
    const OriginPicture bigFrom(20, 10, FROM_TAG), bigTo(20, 10, TO_TAG);
    TransitionRun small(6, 4, smallFrom.pixels, smallTo.pixels);
    TransitionRun big(20, 10, bigFrom.pixels, bigTo.pixels);
    small.begin(67);
    big.begin(67);
    EXPECT_EQ(small.frame(67, 1000, 1000), smallTo.pixels);
    EXPECT_EQ(big.frame(67, 1000, 1000), bigTo.pixels);
    small.end(67);
    EXPECT_EQ(big.frame(67, 0, 1000), bigFrom.pixels);
    big.end(67);
}

TEST(EffectRegistryRun, TitlesWithoutTextRefuseBeginAndDrawNothing) {
    EffectRegistry registry(EffectRegistry::Options{.seed = 1});
    std::vector<Pixel> surface(64, 0x01020304);
    TitleFrameData data{0, nullptr, surface.data(), nullptr, nullptr, 0, 8, 8, 0, 100};
    for (int slot = 0; slot < 54; ++slot) {
        data.elapsed = 0;
        data.duration = 100;
        EXPECT_EQ(registry.runTitle(slot, EFFECT_BEGIN, data), -1) << slot;
        data.elapsed = 1500;
        data.duration = 3000;
        EXPECT_EQ(registry.runTitle(slot, EFFECT_FRAME, data), 0);
        registry.runTitle(slot, EFFECT_END, data);
    }
    EXPECT_EQ(surface, std::vector<Pixel>(64, 0x01020304));
}

}  // namespace
}  // namespace effects
