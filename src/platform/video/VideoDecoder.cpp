#include "platform/video/VideoDecoder.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include "platform/FfmpegLog.h"

namespace platform {

namespace {

// A timestamp that jumps further than this is taken as damage, not as a
// pause in the clip: a broken file must not hold the show for hours.
constexpr std::int64_t kMaxGapMs = 10000;
constexpr Millis kFallbackFrameMs = 40;
// Pictures beyond this are not worth converting (and their buffers not worth
// allocating): no clip of the films comes near it.
constexpr int kMaxSide = 8192;

}  // namespace

struct VideoDecoder::Codec {
    AVFormatContext* format = nullptr;
    AVCodecContext* decoder = nullptr;
    SwsContext* scaler = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int stream = -1;
    AVRational timeBase{1, 1000};
    Millis nominalMs = kFallbackFrameMs;
    bool demuxerDone = false;
    bool decoderDone = false;
    bool haveBase = false;
    std::int64_t baseTs = 0;
    Millis time = 0;
    Millis duration = kFallbackFrameMs;
    bool first = true;

    ~Codec() {
        sws_freeContext(scaler);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&decoder);
        avformat_close_input(&format);
    }

    // Receives the next picture into frame; false at the end.
    bool receive() {
        while (!decoderDone) {
            const int received = avcodec_receive_frame(decoder, frame);
            if (received == 0) {
                return true;
            }
            if (received != AVERROR(EAGAIN) || demuxerDone) {
                decoderDone = true;  // the end, or a decoder that cannot go on
                break;
            }
            if (av_read_frame(format, packet) < 0) {
                demuxerDone = true;
                avcodec_send_packet(decoder, nullptr);
                continue;
            }
            if (packet->stream_index == stream) {
                // A damaged packet is skipped; the decoder goes on with the next.
                avcodec_send_packet(decoder, packet);
            }
            av_packet_unref(packet);
        }
        return false;
    }

    Millis toMs(std::int64_t ts) const {
        return static_cast<Millis>(av_rescale_q(ts, timeBase, AVRational{1, 1000}));
    }

    // Times the picture just received against the ones before it.
    void stamp() {
        const Millis previousEnd = first ? 0 : time + duration;
        duration = nominalMs;
        if (frame->pkt_duration > 0) {
            const Millis ms = toMs(frame->pkt_duration);
            duration = std::clamp<Millis>(ms, 1, 1000);
        }
        const std::int64_t ts = frame->best_effort_timestamp;
        Millis at = previousEnd;
        if (ts != AV_NOPTS_VALUE) {
            if (!haveBase) {
                baseTs = ts;
                haveBase = true;
            }
            const std::int64_t ms = av_rescale_q(ts - baseTs, timeBase, AVRational{1, 1000});
            const std::int64_t floor = first ? 0 : time;
            if (ms >= floor && ms - floor <= kMaxGapMs) {
                at = static_cast<Millis>(ms);
            }
        }
        time = first ? 0 : at;
        first = false;
    }
};

Result<std::unique_ptr<VideoDecoder>> VideoDecoder::open(const std::string& path) {
    quietenFfmpegLog();
    auto codec = std::make_unique<Codec>();
    if (avformat_open_input(&codec->format, path.c_str(), nullptr, nullptr) < 0) {
        return Error{"cannot open " + path + " as video"};
    }
    if (avformat_find_stream_info(codec->format, nullptr) < 0) {
        return Error{"no stream information in " + path};
    }
    const AVCodec* decoder = nullptr;
    codec->stream = av_find_best_stream(codec->format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (codec->stream < 0 || decoder == nullptr) {
        return Error{"no video stream that can be decoded in " + path};
    }
    const AVStream* stream = codec->format->streams[codec->stream];
    codec->timeBase = stream->time_base;
    if (codec->timeBase.num <= 0 || codec->timeBase.den <= 0) {
        codec->timeBase = AVRational{1, 1000};
    }
    const AVRational rate = stream->avg_frame_rate.num > 0 && stream->avg_frame_rate.den > 0
                                ? stream->avg_frame_rate
                                : stream->r_frame_rate;
    if (rate.num > 0 && rate.den > 0) {
        const std::int64_t ms = av_rescale(1000, rate.den, rate.num);
        codec->nominalMs = static_cast<Millis>(std::clamp<std::int64_t>(ms, 1, 1000));
    }
    codec->decoder = avcodec_alloc_context3(decoder);
    if (codec->decoder == nullptr ||
        avcodec_parameters_to_context(codec->decoder, stream->codecpar) < 0) {
        return Error{"cannot set up the video decoder of " + path};
    }
    codec->decoder->thread_count = 0;  // as many as the machine has
    if (avcodec_open2(codec->decoder, decoder, nullptr) < 0) {
        return Error{"cannot open the video decoder of " + path};
    }
    codec->packet = av_packet_alloc();
    codec->frame = av_frame_alloc();
    if (codec->packet == nullptr || codec->frame == nullptr) {
        return Error{"out of memory"};
    }
    std::unique_ptr<VideoDecoder> video(new VideoDecoder(std::move(codec)));
    if (!video->decodeNext()) {
        return Error{"no picture decodes in " + path};
    }
    return video;
}

VideoDecoder::VideoDecoder(std::unique_ptr<Codec> codec) : codec_(std::move(codec)) {}

VideoDecoder::~VideoDecoder() = default;

int VideoDecoder::width() const {
    return codec_->frame->width;
}

int VideoDecoder::height() const {
    return codec_->frame->height;
}

Millis VideoDecoder::frameTime() const {
    return codec_->time;
}

Millis VideoDecoder::frameDuration() const {
    return codec_->duration;
}

bool VideoDecoder::decodeNext() {
    Codec& c = *codec_;
    av_frame_unref(c.frame);
    while (c.receive()) {
        const AVFrame& f = *c.frame;
        if (f.width > 0 && f.height > 0 && f.width <= kMaxSide && f.height <= kMaxSide) {
            c.stamp();
            return true;
        }
        av_frame_unref(c.frame);  // a picture of no sensible size is skipped
    }
    return false;
}

bool VideoDecoder::convert(int width, int height, std::vector<std::uint8_t>& out) {
    Codec& c = *codec_;
    const AVFrame& f = *c.frame;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide || f.width <= 0 ||
        f.height <= 0) {
        return false;
    }
    c.scaler = sws_getCachedContext(c.scaler, f.width, f.height,
                                    static_cast<AVPixelFormat>(f.format), width, height,
                                    AV_PIX_FMT_BGR0, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (c.scaler == nullptr) {
        return false;
    }
    out.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    std::uint8_t* planes[4] = {out.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {width * 4, 0, 0, 0};
    return sws_scale(c.scaler, f.data, f.linesize, 0, f.height, planes, strides) == height;
}

}  // namespace platform
