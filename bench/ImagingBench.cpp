// Decode throughput of our JPEG decoder beside libjpeg-turbo (TurboJPEG,
// fast upsampling, BGRX) and stb_image (RGBA), one thread, buffers reused
// where the library lets us; and the compositor's per-item pixel work.
// The photos are synthesised and encoded with cjpeg at quality 90 when the
// program starts. Compare ratios of medians from one run:
//   photoreel_bench --benchmark_filter=Decode --benchmark_repetitions=5
//       --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <stb_image.h>
#include <turbojpeg.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "imaging/BilinearScaler.h"
#include "imaging/ByteSource.h"
#include "imaging/Darken.h"
#include "imaging/DibImage.h"
#include "imaging/FrameSection.h"
#include "imaging/JpegStream.h"
#include "imaging/JpegTestSupport.h"

namespace {

using namespace imaging;

struct Photo {
    const char* name;
    int width, height;
    const char* cjpegOptions;
    int noise = 4;  // sensor noise, levels
};

const Photo kPhotos[] = {
    {"1280x960_420", 1280, 960, "-quality 90 -sample 2x2"},
    {"1280x960_422", 1280, 960, "-quality 90 -sample 2x1"},
    {"1280x960_444", 1280, 960, "-quality 90 -sample 1x1"},
    {"1280x960_420_restart", 1280, 960, "-quality 90 -sample 2x2 -restart 1"},
    // Camera-like density (several bits per pixel): entropy decoding dominates.
    {"1280x960_420_dense", 1280, 960, "-quality 95 -sample 2x2", 14},
    {"4000x3000_420", 4000, 3000, "-quality 90 -sample 2x2"},
    {"4000x3000_422", 4000, 3000, "-quality 90 -sample 2x1"},
    {"4000x3000_444", 4000, 3000, "-quality 90 -sample 1x1"},
};

// The encoded photos, made once.
const std::vector<std::uint8_t>& photo(const Photo& p) {
    static std::map<std::string, std::vector<std::uint8_t>> made;
    auto it = made.find(p.name);
    if (it != made.end()) {
        return it->second;
    }
    static testing::ScratchDirectory scratch;
    const std::string ppm =
        scratch.path() + "/" + std::to_string(p.width) + "_" + std::to_string(p.noise) + ".ppm";
    if (!testing::readFile(ppm)) {
        testing::writePpm(ppm, testing::synthesizePhoto(p.width, p.height, 7, p.noise), p.width,
                          p.height);
    }
    const std::string jpg = scratch.path() + "/" + p.name + ".jpg";
    testing::run("cjpeg -baseline " + std::string(p.cjpegOptions) + " -outfile " + jpg + " " + ppm);
    auto bytes = testing::readFile(jpg).value_or(std::vector<std::uint8_t>{});
    std::fprintf(stderr, "%s: %zu bytes, %.2f bits per pixel\n", p.name, bytes.size(),
                 8.0 * static_cast<double>(bytes.size()) / (p.width * p.height));
    return made[p.name] = std::move(bytes);
}

void setRate(benchmark::State& state, const Photo& p) {
    state.counters["MP/s"] = benchmark::Counter(static_cast<double>(p.width) * p.height * 1e-6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}

void decodeOurs(benchmark::State& state, const Photo* p, KernelPath path) {
    const auto& bytes = photo(*p);
    JpegStream stream;
    DibImage image;
    JpegDecodeOptions options;
    options.path = path;
    for (auto _ : state) {
        MemorySource source(bytes);
        const JpegResult result = stream.decode(source, image, options);
        if (!result) {
            state.SkipWithError(result.error.c_str());
            break;
        }
        benchmark::DoNotOptimize(image.pixels());
    }
    setRate(state, *p);
}

// What the preparation thread pays per photo today: a new stream and a new
// bitmap for every load (the first touch of fresh pages included).
void decodeFresh(benchmark::State& state, const Photo* p) {
    const auto& bytes = photo(*p);
    for (auto _ : state) {
        JpegStream stream;
        DibImage image;
        MemorySource source(bytes);
        if (!stream.decode(source, image)) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(image.pixels());
    }
    setRate(state, *p);
}

void decodeTurbo(benchmark::State& state, const Photo* p) {
    const auto& bytes = photo(*p);
    tjhandle handle = tjInitDecompress();
    std::vector<std::uint8_t> out(static_cast<std::size_t>(p->width) * p->height * 4);
    for (auto _ : state) {
        if (tjDecompress2(handle, bytes.data(), static_cast<unsigned long>(bytes.size()),
                          out.data(), p->width, 0, p->height, TJPF_BGRX,
                          TJFLAG_FASTUPSAMPLE) != 0) {
            state.SkipWithError(tjGetErrorStr2(handle));
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    tjDestroy(handle);
    setRate(state, *p);
}

void decodeStb(benchmark::State& state, const Photo* p) {
    const auto& bytes = photo(*p);
    for (auto _ : state) {
        int w = 0, h = 0, n = 0;
        stbi_uc* pixels =
            stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &n, 4);
        if (pixels == nullptr) {
            state.SkipWithError("stb_image refused the photo");
            break;
        }
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
    setRate(state, *p);
}

const bool kRegistered = [] {
    for (const Photo& p : kPhotos) {
        const std::string name = p.name;
        benchmark::RegisterBenchmark(("Decode/ours_sse2/" + name).c_str(), decodeOurs, &p,
                                     KernelPath::Sse2)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Decode/libjpeg-turbo/" + name).c_str(), decodeTurbo, &p)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Decode/stb_image/" + name).c_str(), decodeStb, &p)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Decode/ours_portable/" + name).c_str(), decodeOurs, &p,
                                     KernelPath::Portable)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("Decode/ours_fresh_bitmap/4000x3000_420", decodeFresh, &kPhotos[5])
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    return true;
}();

// The compositor's fit of a photo to a 1280 x 1024 stage.
void BM_ScaleBilinear32(benchmark::State& state) {
    const int sw = static_cast<int>(state.range(0)), sh = sw * 3 / 4;
    auto source = FrameSection::create(sw, sh);
    auto target = FrameSection::create(1280, 1024);
    for (auto _ : state) {
        scaleBilinear32(source->pixels(), sw, sh, target->pixels(), 1280, 1024);
        benchmark::DoNotOptimize(target->pixels());
    }
}
BENCHMARK(BM_ScaleBilinear32)->Arg(800)->Arg(1600)->Unit(benchmark::kMillisecond);

void BM_Darken(benchmark::State& state, KernelPath path) {
    auto frame = FrameSection::create(1280, 1024);
    auto mask = FrameSection::create(1280, 1024);
    for (auto _ : state) {
        darken(frame->pixels(), mask->pixels(), 1280 * 1024, path);
        benchmark::DoNotOptimize(frame->pixels());
    }
}
BENCHMARK_CAPTURE(BM_Darken, sse2, KernelPath::Sse2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Darken, portable, KernelPath::Portable)->Unit(benchmark::kMillisecond);

}  // namespace
