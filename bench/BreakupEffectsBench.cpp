// Cost of one Frame of the block, shatter, door, clock, burn, smear, glow,
// melt, glitch, swirl, scatter and film-strip transitions at stage sizes.
// They report as BM_Effect and BM_EffectBegin rows, next to BM_FrameCopy in
// the same run, so bench/effects_table.py puts them in its table:
//   photoreel_bench --benchmark_filter='Effect|FrameCopy' --benchmark_repetitions=5
//       --benchmark_report_aggregates_only=true --benchmark_format=json > out.json
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "EffectBenchFrames.h"
#include "effects/EffectOperation.h"
#include "effects/EffectRegistry.h"

namespace {

using namespace effect_bench;

// One Frame after Begin; progress walks the whole transition so that every
// phase is paid for.
void breakupFrame(benchmark::State& state) {
    const int slot = static_cast<int>(state.range(0));
    Frames frames(STAGES[state.range(1)]);
    effects::EffectRegistry registry(effects::EffectRegistry::Options{.seed = 1});
    effects::PictureFrameData data = frames.data();
    registry.runPicture(slot, effects::EFFECT_BEGIN, &data);
    data.duration = 1000;
    int elapsed = 1;
    for (auto _ : state) {
        data.elapsed = elapsed;
        registry.runPicture(slot, effects::EFFECT_FRAME, &data);
        benchmark::DoNotOptimize(frames.out.data());
        benchmark::ClobberMemory();
        elapsed = elapsed % 999 + 37;
    }
    registry.runPicture(slot, effects::EFFECT_END, nullptr);
    state.SetLabel(effects::pictureHandlerName(registry.pictureHandler(slot)));
}

// One slot per handler and variant: the smallest and largest blocks, a side
// and an edge door.
constexpr int FRAME_SLOTS[] = {36, 38, 29, 30, 32, 91, 94, 46, 22, 23, 25, 33, 34, 85, 87, 88};

void frameArguments(benchmark::internal::Benchmark* b) {
    for (int slot : FRAME_SLOTS) {
        for (int stage = 0; stage < 2; ++stage) {
            b->Args({slot, stage});
        }
    }
}
BENCHMARK(breakupFrame)->Name("BM_Effect")->Apply(frameArguments)->Unit(benchmark::kMillisecond);

// Begin and End of the transitions that precompute: the delay before their
// first frame.
void breakupBegin(benchmark::State& state) {
    const int slot = static_cast<int>(state.range(0));
    Frames frames(STAGES[state.range(1)]);
    effects::EffectRegistry registry(effects::EffectRegistry::Options{.seed = 1});
    const effects::PictureFrameData data = frames.data();
    for (auto _ : state) {
        registry.runPicture(slot, effects::EFFECT_BEGIN, &data);
        registry.runPicture(slot, effects::EFFECT_END, nullptr);
    }
    state.SetLabel(effects::pictureHandlerName(registry.pictureHandler(slot)));
}

void beginArguments(benchmark::internal::Benchmark* b) {
    for (int slot : {36, 29, 30, 22, 23, 33, 34, 87, 88}) {
        for (int stage = 0; stage < 2; ++stage) {
            b->Args({slot, stage});
        }
    }
}
BENCHMARK(breakupBegin)
    ->Name("BM_EffectBegin")
    ->Apply(beginArguments)
    ->Unit(benchmark::kMillisecond);

}  // namespace
