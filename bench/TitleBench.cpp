// Cost of one title Frame of a 40-character, two-line title with a shadow
// on a 1280 x 1024 stage, beside one frame copy (what the player spends
// restoring the picture before each title frame), and of the glyph cache's
// build at Begin. Titles are paced at 55 ms per frame.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "effects/EffectOperation.h"
#include "effects/EffectRegistry.h"
#include "effects/TitleText.h"

namespace {

using effects::Pixel;

constexpr int WIDTH = 1280;
constexpr int HEIGHT = 1024;
const std::string TEXT = "Summer holidays on the\r\nnorth coast, 2026";  // 40 characters

struct TitleStage {
    std::vector<Pixel> picture, surface;
    effects::TitleTextRecord record;
    std::vector<effects::GlyphRecord> glyphs;
    int count = 0;

    TitleStage()
        : picture(std::size_t{WIDTH} * HEIGHT, 0x00406080),
          surface(picture),
          glyphs(effects::TITLE_GLYPH_CAPACITY) {
        record.style.setPosition(200, 700);
        record.style.setFont(-64, 700, false, 0, "Arial");
        record.style.setColour(0x00FFFFFF);
        record.style.setLineSpacing(100);
        record.style.setAlignment(1);
        record.style.setShadow(true);
        count = effects::layoutText(record.style, TEXT, glyphs);
    }
    effects::TitleFrameData data(int elapsed, int duration) {
        return {0,     nullptr, surface.data(), &record, glyphs.data(),
                count, WIDTH,   HEIGHT,         elapsed, duration};
    }
};

void BM_TitleFrame(benchmark::State& state) {
    const int slot = static_cast<int>(state.range(0));
    TitleStage stage;
    effects::EffectRegistry registry(effects::EffectRegistry::Options{.seed = 1});
    registry.runTitle(slot, effects::EFFECT_BEGIN, stage.data(0, 100));
    int elapsed = 0;
    for (auto _ : state) {
        // Walk the whole animation so that every phase is paid for.
        registry.runTitle(slot, effects::EFFECT_FRAME, stage.data(elapsed, 3000));
        elapsed = (elapsed + 55) % 3001;
        benchmark::ClobberMemory();
    }
    registry.runTitle(slot, effects::EFFECT_END, stage.data(0, 100));
    state.SetLabel(effects::titleHandlerName(registry.titleHandler(slot)));
}
// One slot of each kind of motion: in place, along a path, spiral, ghosts,
// stretched glyphs.
BENCHMARK(BM_TitleFrame)
    ->Arg(4)
    ->Arg(6)
    ->Arg(25)
    ->Arg(35)
    ->Arg(42)
    ->Arg(45)
    ->Unit(benchmark::kMillisecond);

void BM_TitleFrameCopy(benchmark::State& state) {
    TitleStage stage;
    for (auto _ : state) {
        std::memcpy(stage.surface.data(), stage.picture.data(),
                    stage.surface.size() * sizeof(Pixel));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TitleFrameCopy)->Unit(benchmark::kMillisecond);

void BM_TitleBegin(benchmark::State& state) {
    TitleStage stage;
    effects::EffectRegistry registry(effects::EffectRegistry::Options{.seed = 1});
    for (auto _ : state) {
        registry.runTitle(4, effects::EFFECT_BEGIN, stage.data(0, 100));
        registry.runTitle(4, effects::EFFECT_END, stage.data(0, 100));
    }
}
BENCHMARK(BM_TitleBegin)->Unit(benchmark::kMillisecond);

}  // namespace
