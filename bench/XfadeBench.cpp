// FFmpeg's xfade filter on one thread, the nearest comparable transitions to
// ours (fade, wipeleft, dissolve), on the same stage sizes. xfade works on
// planar RGB; one frame per microsecond keeps a 60 s transition going for
// the whole run. Its frames are fed by reference, so the cost is the filter's.
#include <benchmark/benchmark.h>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace {

const char* const TRANSITIONS[] = {"fade", "wipeleft", "dissolve"};

struct Stage {
    int width, height;
};
constexpr Stage STAGES[] = {{1280, 1024}, {1920, 1080}};

AVFrame* noiseFrame(int width, int height, unsigned seed) {
    AVFrame* frame = av_frame_alloc();
    frame->format = AV_PIX_FMT_GBRP;
    frame->width = width;
    frame->height = height;
    av_frame_get_buffer(frame, 0);
    std::mt19937 random(seed);
    for (int plane = 0; plane < 3; ++plane) {
        for (int row = 0; row < height; ++row) {
            std::uint8_t* line = frame->data[plane] + std::ptrdiff_t(row) * frame->linesize[plane];
            for (int column = 0; column < width; ++column) {
                line[column] = static_cast<std::uint8_t>(random());
            }
        }
    }
    return frame;
}

void BM_Xfade(benchmark::State& state) {
    const char* transition = TRANSITIONS[state.range(0)];
    const Stage stage = STAGES[state.range(1)];
    AVFilterGraph* graph = avfilter_graph_alloc();
    graph->nb_threads = 1;
    char source[256];
    std::snprintf(
        source, sizeof source,
        "video_size=%dx%d:pix_fmt=gbrp:time_base=1/1000000:frame_rate=1000000/1:pixel_aspect=1/1",
        stage.width, stage.height);
    AVFilterContext *a = nullptr, *b = nullptr, *xfade = nullptr, *sink = nullptr;
    const std::string options = std::string("transition=") + transition + ":duration=60:offset=0";
    bool ok = avfilter_graph_create_filter(&a, avfilter_get_by_name("buffer"), "a", source, nullptr,
                                           graph) >= 0 &&
              avfilter_graph_create_filter(&b, avfilter_get_by_name("buffer"), "b", source, nullptr,
                                           graph) >= 0 &&
              avfilter_graph_create_filter(&xfade, avfilter_get_by_name("xfade"), "x",
                                           options.c_str(), nullptr, graph) >= 0 &&
              avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out",
                                           nullptr, nullptr, graph) >= 0 &&
              avfilter_link(a, 0, xfade, 0) >= 0 && avfilter_link(b, 0, xfade, 1) >= 0 &&
              avfilter_link(xfade, 0, sink, 0) >= 0 && avfilter_graph_config(graph, nullptr) >= 0;
    if (!ok) {
        state.SkipWithError("xfade graph could not be built");
        avfilter_graph_free(&graph);
        return;
    }
    AVFrame* from = noiseFrame(stage.width, stage.height, 1);
    AVFrame* to = noiseFrame(stage.width, stage.height, 2);
    AVFrame* out = av_frame_alloc();
    std::int64_t pts = 0;
    for (auto _ : state) {
        from->pts = pts;
        to->pts = pts;
        ++pts;
        if (av_buffersrc_add_frame_flags(a, from, AV_BUFFERSRC_FLAG_KEEP_REF) < 0 ||
            av_buffersrc_add_frame_flags(b, to, AV_BUFFERSRC_FLAG_KEEP_REF) < 0 ||
            av_buffersink_get_frame(sink, out) < 0) {
            state.SkipWithError("xfade gave no frame");
            break;
        }
        benchmark::DoNotOptimize(out->data[0]);
        av_frame_unref(out);
    }
    av_frame_free(&out);
    av_frame_free(&from);
    av_frame_free(&to);
    avfilter_graph_free(&graph);
    state.SetLabel(transition);
}

void xfadeArguments(benchmark::internal::Benchmark* b) {
    for (int transition = 0; transition < 3; ++transition) {
        for (int stage = 0; stage < 2; ++stage) {
            b->Args({transition, stage});
        }
    }
}
BENCHMARK(BM_Xfade)->Apply(xfadeArguments)->Unit(benchmark::kMillisecond);

}  // namespace
