#include "platform/ReferenceSpeechDecoder.h"

#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace platform {

struct ReferenceSpeechDecoder::Impl {
    AVCodecContext* context = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;

    ~Impl() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&context);
    }
};

std::unique_ptr<ReferenceSpeechDecoder> ReferenceSpeechDecoder::create(PostFilter postFilter,
                                                                       std::string* error) {
    auto fail = [&](const char* why) {
        if (error != nullptr) {
            *error = why;
        }
        return nullptr;
    };
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_G723_1);
    if (codec == nullptr) {
        return fail("FFmpeg has no G.723.1 decoder");
    }
    auto impl = std::make_unique<Impl>();
    impl->context = avcodec_alloc_context3(codec);
    impl->packet = av_packet_alloc();
    impl->frame = av_frame_alloc();
    if (impl->context == nullptr || impl->packet == nullptr || impl->frame == nullptr) {
        return fail("out of memory");
    }
    impl->context->sample_rate = 8000;
    av_channel_layout_default(&impl->context->ch_layout, 1);
    AVDictionary* options = nullptr;
    av_dict_set(&options, "postfilter", postFilter == PostFilter::On ? "1" : "0", 0);
    const int opened = avcodec_open2(impl->context, codec, &options);
    av_dict_free(&options);
    if (opened < 0) {
        return fail("cannot open FFmpeg's G.723.1 decoder");
    }
    return std::unique_ptr<ReferenceSpeechDecoder>(new ReferenceSpeechDecoder(std::move(impl)));
}

ReferenceSpeechDecoder::ReferenceSpeechDecoder(std::unique_ptr<Impl> impl)
    : impl_(std::move(impl)) {}

ReferenceSpeechDecoder::~ReferenceSpeechDecoder() = default;

bool ReferenceSpeechDecoder::decodeFrame(std::span<const uint8_t> frame,
                                         std::span<int16_t, 240> out) {
    // FFmpeg's bit readers may read up to the padding size past the data.
    uint8_t padded[64 + AV_INPUT_BUFFER_PADDING_SIZE] = {};
    if (frame.size() > 64) {
        return false;
    }
    std::copy(frame.begin(), frame.end(), padded);
    impl_->packet->data = padded;
    impl_->packet->size = static_cast<int>(frame.size());
    if (avcodec_send_packet(impl_->context, impl_->packet) < 0) {
        return false;
    }
    if (avcodec_receive_frame(impl_->context, impl_->frame) < 0) {
        return false;
    }
    const bool ok = impl_->frame->nb_samples == 240;
    if (ok) {
        const auto* samples = reinterpret_cast<const int16_t*>(impl_->frame->data[0]);
        std::copy(samples, samples + 240, out.begin());
    }
    av_frame_unref(impl_->frame);
    return ok;
}

}  // namespace platform
