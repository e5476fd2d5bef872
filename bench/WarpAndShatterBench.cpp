// Frame and Begin costs of the pinch warps, diagonal squeeze, side doors,
// swing sequence, circle reveal, ripple dissolve and glass shatter at stage
// sizes. Registered as BM_Effect and BM_EffectBegin so that
// bench/effects_table.py puts them in one table with BM_FrameCopy of the
// same run.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "EffectBenchFrames.h"
#include "effects/EffectOperation.h"
#include "effects/EffectRegistry.h"

namespace {

using namespace effect_bench;

// Slots: glass shatter, circle reveal, ripple dissolve, side doors, swing
// sequence, pinch warps B and A, diagonal squeeze.
constexpr int SLOTS[] = {35, 48, 86, 89, 90, 95, 96, 97};

// One Frame after Begin; progress walks through the whole transition so
// that every phase is paid for.
void frameCost(benchmark::State& state) {
    const int slot = static_cast<int>(state.range(0));
    Frames frames(STAGES[state.range(1)]);
    effects::EffectRegistry registry(effects::EffectRegistry::Options{.seed = 1});
    const effects::PictureFrameData begin = frames.data(0, 100);
    registry.runPicture(slot, effects::EFFECT_BEGIN, &begin);
    int elapsed = 1;
    for (auto _ : state) {
        const effects::PictureFrameData data = frames.data(elapsed, 1000);
        registry.runPicture(slot, effects::EFFECT_FRAME, &data);
        benchmark::DoNotOptimize(frames.out.data());
        benchmark::ClobberMemory();
        elapsed = elapsed % 999 + 37;
    }
    registry.runPicture(slot, effects::EFFECT_END, nullptr);
    state.SetLabel(effects::pictureHandlerName(registry.pictureHandler(slot)));
}

void beginCost(benchmark::State& state) {
    const int slot = static_cast<int>(state.range(0));
    Frames frames(STAGES[state.range(1)]);
    effects::EffectRegistry registry(effects::EffectRegistry::Options{.seed = 1});
    const effects::PictureFrameData begin = frames.data(0, 100);
    for (auto _ : state) {
        registry.runPicture(slot, effects::EFFECT_BEGIN, &begin);
        registry.runPicture(slot, effects::EFFECT_END, nullptr);
    }
    state.SetLabel(effects::pictureHandlerName(registry.pictureHandler(slot)));
}

void slotsAndStages(benchmark::internal::Benchmark* b, bool precomputingOnly) {
    for (int slot : SLOTS) {
        if (precomputingOnly && slot != 35 && slot != 48 && slot != 86 && slot != 97) {
            continue;
        }
        for (int stage = 0; stage < 2; ++stage) {
            b->Args({slot, stage});
        }
    }
}

const bool REGISTERED = [] {
    benchmark::RegisterBenchmark("BM_Effect", frameCost)
        ->Apply([](benchmark::internal::Benchmark* b) { slotsAndStages(b, false); })
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_EffectBegin", beginCost)
        ->Apply([](benchmark::internal::Benchmark* b) { slotsAndStages(b, true); })
        ->Unit(benchmark::kMillisecond);
    return true;
}();

}  // namespace
