// Cost of one transition Frame at stage sizes, next to the floor of any 2D
// transition frame: one memcpy of a frame. Run with
//   photoreel_bench --benchmark_filter='Effect|FrameCopy|TwoPicture|Xfade'
//   --benchmark_repetitions=7
//       --benchmark_min_time=0.2 --benchmark_enable_random_interleaving=true
//       --benchmark_report_aggregates_only=true --benchmark_format=json > out.json
// and bench/effects_table.py out.json for the table of ratios (medians).
// Interleaving matters on a shared machine: at 1920x1080 three frames nearly
// fill the last-level cache, and a spell of a neighbour's traffic otherwise
// lands on the few transitions measured during it.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "EffectBenchFrames.h"
#include "effects/EffectOperation.h"
#include "effects/EffectRegistry.h"

namespace {

using namespace effect_bench;

void BM_FrameCopy(benchmark::State& state) {
    Frames frames(STAGES[state.range(0)]);
    for (auto _ : state) {
        std::memcpy(frames.out.data(), frames.from.data(), frames.out.size() * sizeof(Pixel));
        benchmark::DoNotOptimize(frames.out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FrameCopy)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The cheapest frame that reads both pictures whole. A transition taking short
// runs from both pictures in every row (the 50-strip push, the side blinds)
// costs the same: the hardware prefetchers fetch the lines between a picture's
// runs too, so both rows come in whole. At 1920x1080 the three frames then
// outgrow the part of the shared last-level cache this process gets, and this,
// not the one-picture copy, is where such a transition bottoms out.
void BM_TwoPictureRead(benchmark::State& state) {
    Frames frames(STAGES[state.range(0)]);
    const std::size_t count = frames.out.size();
    for (auto _ : state) {
        const Pixel* from = frames.from.data();
        const Pixel* to = frames.to.data();
        Pixel* out = frames.out.data();
        for (std::size_t i = 0; i < count; ++i) {
            out[i] = from[i] | to[i];
        }
        benchmark::DoNotOptimize(frames.out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TwoPictureRead)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One Frame of a slot after its Begin; progress walks through the whole
// transition so that every phase of a handler is paid for.
void BM_Effect(benchmark::State& state) {
    const int slot = static_cast<int>(state.range(0));
    Frames frames(STAGES[state.range(1)]);
    effects::EffectRegistry registry(effects::EffectRegistry::Options{.seed = 1});
    effects::PictureFrameData data{
        0,  frames.from.data(), frames.to.data(), frames.out.data(), frames.width, frames.height, 0,
        100};
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

// One slot per handler and variant: a single edge and 50 strips, each map
// type, both box directions.
constexpr int SLOTS[] = {57, 75, 53, 73, 49, 71, 63, 61, 82, 84, 77, 79,
                         65, 66, 39, 41, 40, 42, 43, 44, 45, 68, 69};

void effectArguments(benchmark::internal::Benchmark* b) {
    for (int slot : SLOTS) {
        for (int stage = 0; stage < 2; ++stage) {
            b->Args({slot, stage});
        }
    }
}
BENCHMARK(BM_Effect)->Apply(effectArguments)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// Begin and End of the transitions that precompute: the delay before their
// first frame.
void BM_EffectBegin(benchmark::State& state) {
    const int slot = static_cast<int>(state.range(0));
    Frames frames(STAGES[state.range(1)]);
    effects::EffectRegistry registry(effects::EffectRegistry::Options{.seed = 1});
    const effects::PictureFrameData data{
        0,  frames.from.data(), frames.to.data(), frames.out.data(), frames.width, frames.height, 0,
        100};
    for (auto _ : state) {
        registry.runPicture(slot, effects::EFFECT_BEGIN, &data);
        registry.runPicture(slot, effects::EFFECT_END, nullptr);
    }
    state.SetLabel(effects::pictureHandlerName(registry.pictureHandler(slot)));
}

void beginArguments(benchmark::internal::Benchmark* b) {
    for (int slot : {40, 42, 43, 68}) {
        for (int stage = 0; stage < 2; ++stage) {
            b->Args({slot, stage});
        }
    }
}
BENCHMARK(BM_EffectBegin)->Apply(beginArguments)->Unit(benchmark::kMillisecond);

}  // namespace
