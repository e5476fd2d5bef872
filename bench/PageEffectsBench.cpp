// Cost of one Frame of the page curl and page roll at stage sizes, next to a
// memcpy of one frame measured in the same run. Run with
//   photoreel_bench --benchmark_filter='PageEffect|PageFrameCopy' --benchmark_repetitions=5
//       --benchmark_report_aggregates_only=true
// and compare the medians.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "effects/EffectOperation.h"
#include "effects/EffectRegistry.h"

namespace {

using effects::Pixel;

struct Stage {
    int width, height;
};
constexpr Stage PAGE_STAGES[] = {{1280, 1024}, {1920, 1080}};

struct PageFrames {
    int width, height;
    std::vector<Pixel> from, to, out;
    explicit PageFrames(const Stage& stage)
        : width(stage.width),
          height(stage.height),
          from(std::size_t(width) * height),
          to(std::size_t(width) * height),
          out(std::size_t(width) * height) {
        std::mt19937 random(1);
        for (std::size_t i = 0; i < from.size(); ++i) {
            from[i] = random();
            to[i] = random();
        }
    }
};

void BM_PageFrameCopy(benchmark::State& state) {
    PageFrames frames(PAGE_STAGES[state.range(0)]);
    for (auto _ : state) {
        std::memcpy(frames.out.data(), frames.from.data(), frames.out.size() * sizeof(Pixel));
        benchmark::DoNotOptimize(frames.out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PageFrameCopy)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Frames walk through the whole transition; every 64 frames a new use
// begins, so the whole-picture slots go through their presets too.
void BM_PageEffect(benchmark::State& state) {
    const int slot = static_cast<int>(state.range(0));
    PageFrames frames(PAGE_STAGES[state.range(1)]);
    effects::EffectRegistry registry(effects::EffectRegistry::Options{.seed = 1});
    effects::PictureFrameData data{
        0,  frames.from.data(), frames.to.data(), frames.out.data(), frames.width, frames.height, 0,
        100};
    int frame = 0;
    for (auto _ : state) {
        if (frame % 64 == 0) {
            state.PauseTiming();
            if (frame > 0) {
                registry.runPicture(slot, effects::EFFECT_END, nullptr);
            }
            data.elapsed = 0;
            data.duration = 100;
            registry.runPicture(slot, effects::EFFECT_BEGIN, &data);
            data.duration = 64;
            state.ResumeTiming();
        }
        data.elapsed = frame % 64 + 1;
        registry.runPicture(slot, effects::EFFECT_FRAME, &data);
        benchmark::DoNotOptimize(frames.out.data());
        benchmark::ClobberMemory();
        ++frame;
    }
    registry.runPicture(slot, effects::EFFECT_END, nullptr);
}
BENCHMARK(BM_PageEffect)->ArgsProduct({{24, 26, 27, 28}, {0, 1}})->Unit(benchmark::kMillisecond);

}  // namespace
