// Cost of a video clip per second of clip, played by the clip player into a
// 1280 x 1024 stage: decoding, conversion to the clip rectangle, composing
// into the stage frame and one copy of the whole frame standing in for the
// presentation. core_pct = process CPU time (decoder threads included) of
// the iteration / seconds of clip * 100. The show clock is virtual and runs
// ahead whenever the clip waits, so only the work is counted.
#include <benchmark/benchmark.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "media/ClipPlayer.h"
#include "media/MediaMessages.h"
#include "platform/TempFiles.h"
#include "platform/headless/HeadlessPlatform.h"
#include "support/AudioFiles.h"

namespace {

constexpr double kClipSeconds = 4.0;
constexpr int kStageW = 1280, kStageH = 1024;

struct ClipFiles {
    std::optional<platform::TempDirectory> directory = platform::TempDirectory::create();
    std::string mpeg4;
    std::string h264;
    bool ok = false;

    ClipFiles() {
        if (!directory) {
            return;
        }
        mpeg4 = directory->path() + "/vga.avi";
        h264 = directory->path() + "/hd.mp4";
        ok = testing_support::runFfmpeg(
                 "-f lavfi -i testsrc2=size=640x480:rate=25:duration=4 -c:v mpeg4 -q:v 4 " +
                 mpeg4) &&
             testing_support::runFfmpeg(
                 "-f lavfi -i testsrc2=size=1280x720:rate=25:duration=4 -c:v libx264 "
                 "-preset fast -pix_fmt yuv420p " +
                 h264);
    }
};

ClipFiles& files() {
    static ClipFiles made;
    return made;
}

// The presented frame and the copy a window makes of it.
class StageScreen final : public media::ClipScreen {
  public:
    void drawAndShow(const std::function<void(std::uint8_t*)>& draw) override {
        draw(stage_.data());
        std::memcpy(shown_.data(), stage_.data(), stage_.size());
        benchmark::DoNotOptimize(shown_.data());
    }

  private:
    std::vector<std::uint8_t> stage_ = std::vector<std::uint8_t>(kStageW * kStageH * 4);
    std::vector<std::uint8_t> shown_ = std::vector<std::uint8_t>(kStageW * kStageH * 4);
};

void playClip(benchmark::State& state, const std::string& path, int width, int height, int fit) {
    if (!files().ok) {
        state.SkipWithError("cannot make the clips with ffmpeg");
        return;
    }
    platform::HeadlessPlatform platform;  // its clock runs ahead whenever the clip waits
    StageScreen screen;
    media::ClipPlayer player({platform, screen, "", kStageW, kStageH, fit});
    film::FilmItem item;
    item.type = film::ITEM_CLIP;
    item.number = 1;
    item.clip = film::FileRef{"", path};
    item.storedWidth = width;
    item.storedHeight = height;
    for (auto _ : state) {
        const imaging::Picture* still = nullptr;
        (void)player.prepare(item, &still);  // no stills here: only the clip counts
        player.start(item, 1);
        platform::Message message;
        while (platform.messages().getMessage(message) && message.id != media::MSG_GRAPH_NOTIFY) {
        }
        player.onGraphNotify(message.wParam, message.lParam);
        player.stopClip(true);
    }
    state.counters["core_pct"] =
        benchmark::Counter(kClipSeconds / 100.0, benchmark::Counter::kIsIterationInvariantRate |
                                                     benchmark::Counter::kInvert);
}

void BM_ClipMpeg4Vga(benchmark::State& state) {
    playClip(state, files().mpeg4, 640, 480, 0);
}
BENCHMARK(BM_ClipMpeg4Vga)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// The same clip enlarged to fill the stage (the film's fit flag).
void BM_ClipMpeg4VgaFitted(benchmark::State& state) {
    playClip(state, files().mpeg4, 640, 480, 1);
}
BENCHMARK(BM_ClipMpeg4VgaFitted)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_ClipH264Hd(benchmark::State& state) {
    playClip(state, files().h264, 1280, 720, 0);
}
BENCHMARK(BM_ClipH264Hd)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
