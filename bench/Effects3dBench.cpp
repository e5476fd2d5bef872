// Cost of one Frame of each 3D transition at the largest stage, 1280 x 1024,
// against the 55 ms between frames of a transition (aim: under 10 ms), and
// of its Begin (resampling, meshes, textures). Run with
//   photoreel_bench --benchmark_filter='Effect3d|FrameCopy/0'
//       --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
// and compare medians of one run.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "effects/EffectOperation.h"
#include "effects/EffectRegistry.h"

namespace {

using effects::Pixel;

constexpr int WIDTH = 1280;
constexpr int HEIGHT = 1024;

// The cost of a frame does not depend on the pixel values (textures are
// sampled, never filtered); noise is as good as a photo.
std::vector<Pixel> noise(unsigned seed) {
    std::mt19937 random(seed);
    std::vector<Pixel> pixels(std::size_t(WIDTH) * HEIGHT);
    for (Pixel& p : pixels) {
        p = random();
    }
    return pixels;
}

// One slot per handler and variant: the plane turn's five turns, the block
// turn's row and grid forms, the cube shuffle, both strip spreads, the
// strip fold and a tile flight.
constexpr int SLOTS[] = {0, 2, 4, 5, 6, 7, 9, 11, 13, 14, 15, 16, 17, 18};

// One Frame after Begin; progress walks through the whole transition, since
// pieces cover more or less of the frame as they move.
void BM_Effect3dFrame(benchmark::State& state) {
    const int slot = static_cast<int>(state.range(0));
    const std::vector<Pixel> from = noise(1), to = noise(2);
    std::vector<Pixel> out(from.size());
    effects::EffectRegistry registry(effects::EffectRegistry::Options{.seed = 1});
    effects::PictureFrameData data{0, from.data(), to.data(), out.data(), WIDTH, HEIGHT, 0, 100};
    registry.runPicture(slot, effects::EFFECT_BEGIN, &data);
    data.duration = 1000;
    int elapsed = 1;
    for (auto _ : state) {
        data.elapsed = elapsed;
        registry.runPicture(slot, effects::EFFECT_FRAME, &data);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
        elapsed = elapsed % 999 + 37;
    }
    registry.runPicture(slot, effects::EFFECT_END, nullptr);
    state.SetLabel(effects::pictureHandlerName(registry.pictureHandler(slot)));
}

void BM_Effect3dBegin(benchmark::State& state) {
    const int slot = static_cast<int>(state.range(0));
    const std::vector<Pixel> from = noise(1), to = noise(2);
    std::vector<Pixel> out(from.size());
    effects::EffectRegistry registry(effects::EffectRegistry::Options{.seed = 1});
    const effects::PictureFrameData data{0,     from.data(), to.data(), out.data(),
                                         WIDTH, HEIGHT,      0,         100};
    for (auto _ : state) {
        registry.runPicture(slot, effects::EFFECT_BEGIN, &data);
        registry.runPicture(slot, effects::EFFECT_END, nullptr);
    }
    state.SetLabel(effects::pictureHandlerName(registry.pictureHandler(slot)));
}

void slotArguments(benchmark::internal::Benchmark* b) {
    for (int slot : SLOTS) {
        b->Arg(slot);
    }
}
BENCHMARK(BM_Effect3dFrame)->Apply(slotArguments)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Effect3dBegin)->Arg(0)->Arg(14)->Arg(18)->Unit(benchmark::kMillisecond);

}  // namespace
