#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "effects/EffectDescriptions.h"
#include "effects/EffectHandler.h"
#include "effects/EffectTables.h"
#include "effects/FrameBlocks.h"
#include "effects/PixelPath.h"
#include "effects/RandomGenerator.h"
#include "effects/SeedClock.h"

namespace platform {
class Dialogs;
}

namespace effects {

struct SharedScene;

// describe() request flags.
inline constexpr std::uint32_t DESCRIBE_NAME = 0x1;
inline constexpr std::uint32_t DESCRIBE_DESCRIPTION = 0x2;

inline constexpr std::size_t EFFECT_NAME_CHARS = 128;
inline constexpr std::size_t EFFECT_DESCRIPTION_CHARS = 512;

// One slot's texts as describe() copies them; several requests can be laid
// out as an array and filled by enumeration. The buffers hold one byte more
// than the longest text, so what describe() copies is always terminated.
struct DescribeRequest {
    std::uint32_t flags = 0;  // DESCRIBE_NAME | DESCRIBE_DESCRIPTION
    char name[EFFECT_NAME_CHARS + 1] = {};
    char description[EFFECT_DESCRIPTION_CHARS + 1] = {};
};

// Every visual change of a film runs through the registry: the picture table
// (98 transitions and a random slot) and the title table (53 title
// animations and a random slot). Callers name an effect by its slot and drive
// it Begin, Frame ..., End; the registry builds the handler's parameter block
// from the caller's frame data and the slot's direction and parameter.
//
// Each registry owns its handler objects and their precomputed data, so two
// registries can run side by side; within one registry, one use of a handler
// is in progress at a time. Runs on one thread at a time (the play thread).
class EffectRegistry {
  public:
    struct Options {
        // Seeds the draw of both random slots at construction.
        std::uint32_t seed = 0;
        // The generator of the thread that plays the effects; it re-draws the
        // random slots after each End and feeds the handlers that draw random
        // numbers. A thread's runtime generator started at 1 until seeded.
        std::uint32_t playSeed = 1;
        // Where loadTexts() finds names; nullptr: no library.
        const DescriptionLibrary* library = &builtinDescriptions();
        // The plain path exists for the tests that hold the fast one to it.
        PixelPath pixelPath = PixelPath::Fast;
        // Shows "Internal Error: tranrun.dll Missed" when texts are asked for
        // without a library; nullptr: not shown.
        platform::Dialogs* dialogs = nullptr;
        // What the transitions that reseed the play generator read.
        SeedClock seedClock = SeedClock::system();
    };

    // Seeds the construction draws with the current time in seconds.
    EffectRegistry();
    explicit EffectRegistry(const Options& options);
    ~EffectRegistry();
    EffectRegistry(const EffectRegistry&) = delete;
    EffectRegistry& operator=(const EffectRegistry&) = delete;

    // With load 0 does nothing; otherwise fills every slot's name and
    // description from the library ("Untitled FX #n" and "Missed
    // description!" where it has none). Returns the slot count, or 0 when
    // loading was asked for and there is no library.
    int loadPictureTexts(int load);
    int loadTitleTexts(int load);

    // Copies the name and/or description of a slot (clamped to the table)
    // into the request. Returns 1, or 0 for an unknown kind.
    int describe(int slot, int kind, DescribeRequest& request) const;

    // Enumeration: first() sets the kind's cursor to slot 0 and returns 0;
    // next() returns the following slot, or -1 after the random slot. Both
    // return -1 for an unknown kind.
    int first(int kind);
    int next(int kind);
    // 99 or 54; 0 for an unknown kind.
    int count(int kind) const;

    // Runs one operation of a picture slot (clamped: below 0 gives 0, past
    // the end gives the random slot). Begin on a running slot and End on an
    // idle one are refused with 0; a Frame without three pictures or with a
    // duration below 1 is refused with 0, and its elapsed time is clamped to
    // 0..duration. After an End of the random slot it draws a new effect.
    // Returns the handler's result.
    int runPicture(int slot, int operation, const PictureFrameData* data);

    // Runs one operation of a title slot (clamped likewise); no guard.
    int runTitle(int slot, int operation, const TitleFrameData& data);

    // What a slot currently holds; the random slot shows its latest draw.
    PictureHandler pictureHandler(int slot) const;
    TitleHandler titleHandler(int slot) const;
    bool isPictureSlotActive(int slot) const;

  private:
    template <typename Handler>
    struct Slot {
        Handler handler{};
        std::uint16_t direction = 0;
        std::int32_t parameter = 0;
        bool active = false;  // picture table only: between Begin and End
        std::string name;
        std::string description;
    };
    using PictureSlot = Slot<PictureHandler>;
    using TitleSlot = Slot<TitleHandler>;

    void drawRandomPicture();
    void drawRandomTitle();
    template <typename Slots, typename Table>
    int loadTexts(Slots& slots, const Table& table, int load);

    RandomGenerator constructionRandom_;
    RandomGenerator playRandom_;
    SeedClock seedClock_;
    const DescriptionLibrary* library_;
    platform::Dialogs* dialogs_;
    // The 3D transitions' scene; declared before the handlers that draw
    // with it so that it outlives them.
    std::unique_ptr<SharedScene> scene_;
    int pictureCursor_ = 0;
    int titleCursor_ = 0;
    std::array<PictureSlot, PICTURE_SLOT_COUNT> pictureSlots_;
    std::array<TitleSlot, TITLE_SLOT_COUNT> titleSlots_;
    std::array<std::unique_ptr<PictureEffect>, PICTURE_HANDLER_COUNT> pictureEffects_;
    std::array<std::unique_ptr<TitleEffect>, TITLE_HANDLER_COUNT> titleEffects_;
};

}  // namespace effects
