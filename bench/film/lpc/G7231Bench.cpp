// Decoding speed of our G.723.1 decoder and FFmpeg's (post-filter off), on
// the same real 6.3 kbit/s speech frames (espeak-ng speech, FFmpeg's
// encoder). The "realtime" counter is seconds of audio decoded per second.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "film/lpc/G7231Decoder.h"
#include "platform/ReferenceSpeechDecoder.h"
#include "platform/TempFiles.h"

namespace {

using Frame = std::vector<uint8_t>;

// Made once per run; empty when espeak-ng or ffmpeg is missing.
const std::vector<Frame>& speechFrames() {
    static const std::vector<Frame> frames = [] {
        std::vector<Frame> result;
        auto dir = platform::TempDirectory::create();
        if (!dir) {
            return result;
        }
        const std::string wav = dir->path() + "/speech.wav";
        const std::string tco = dir->path() + "/speech.tco";
        const std::string make =
            "espeak-ng -v en -s 160 -w '" + wav +
            "' 'The quick brown fox jumps over the lazy dog. Seven slides, one song, and a "
            "title that flies in from the left.' 2>/dev/null && ffmpeg -hide_banner -loglevel "
            "error -y -i '" +
            wav + "' -ar 8000 -ac 1 -c:a g723_1 -b:a 6300 -f g723_1 '" + tco + "'";
        if (std::system(make.c_str()) != 0) {
            return result;
        }
        std::ifstream in(tco, std::ios::binary);
        const std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
        for (size_t at = 0; at + 24 <= bytes.size(); at += 24) {
            result.emplace_back(bytes.begin() + long(at), bytes.begin() + long(at + 24));
        }
        return result;
    }();
    return frames;
}

void setCounters(benchmark::State& state, size_t frames) {
    const double perIteration = double(frames);
    state.SetItemsProcessed(int64_t(state.iterations() * perIteration));
    state.counters["realtime"] =
        benchmark::Counter(perIteration * 0.030, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_G7231OurDecoder(benchmark::State& state) {
    const std::vector<Frame>& frames = speechFrames();
    if (frames.empty()) {
        state.SkipWithError("espeak-ng or ffmpeg missing (scripts/install-deps.sh)");
        return;
    }
    film::lpc::NoiseRing ring;
    std::array<int16_t, 240> out;
    for (auto _ : state) {
        film::lpc::G7231Decoder decoder(ring);
        for (const Frame& f : frames) {
            decoder.decodeFrame(f, out);
        }
        benchmark::DoNotOptimize(out);
    }
    setCounters(state, frames.size());
}
BENCHMARK(BM_G7231OurDecoder);

void BM_G7231FfmpegDecoder(benchmark::State& state) {
    const std::vector<Frame>& frames = speechFrames();
    if (frames.empty()) {
        state.SkipWithError("espeak-ng or ffmpeg missing (scripts/install-deps.sh)");
        return;
    }
    std::array<int16_t, 240> out;
    for (auto _ : state) {
        // A fresh decoder per pass, like ours, so both start from the same state.
        auto decoder = platform::ReferenceSpeechDecoder::create(
            platform::ReferenceSpeechDecoder::PostFilter::Off);
        for (const Frame& f : frames) {
            decoder->decodeFrame(f, out);
        }
        benchmark::DoNotOptimize(out);
    }
    setCounters(state, frames.size());
}
BENCHMARK(BM_G7231FfmpegDecoder);

}  // namespace
