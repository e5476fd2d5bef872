#include "platform/PngCodec.h"

#include <cstring>
#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace platform {

namespace {

struct CodecContextFree {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScaleFree {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using ScalePtr = std::unique_ptr<SwsContext, ScaleFree>;

std::string avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

bool sizeAllowed(int width, int height) {
    return width > 0 && height > 0 &&
           static_cast<std::size_t>(width) * static_cast<std::size_t>(height) <= PNG_MAX_PIXELS;
}

}  // namespace

Result<BgrxPicture> decodePng(std::span<const std::uint8_t> bytes) {
    static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() < sizeof kSignature ||
        std::memcmp(bytes.data(), kSignature, sizeof kSignature) != 0) {
        return Error{"not a PNG file (no PNG signature)"};
    }
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_PNG);
    if (codec == nullptr) {
        return Error{"the media backend has no PNG decoder"};
    }
    CodecContextPtr context(avcodec_alloc_context3(codec));
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    if (!context || !packet || !frame) {
        return Error{"out of memory for the PNG decoder"};
    }
    // The decoder checks this before it allocates the picture.
    context->max_pixels = static_cast<std::int64_t>(PNG_MAX_PIXELS);
    // A damaged file fails instead of giving a partly black picture.
    context->err_recognition = AV_EF_CRCCHECK | AV_EF_EXPLODE;
    context->thread_count = 1;
    if (const int code = avcodec_open2(context.get(), codec, nullptr); code < 0) {
        return Error{"cannot open the PNG decoder: " + avError(code)};
    }
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX - AV_INPUT_BUFFER_PADDING_SIZE) ||
        av_new_packet(packet.get(), static_cast<int>(bytes.size())) < 0) {
        return Error{"PNG file too large"};
    }
    std::memcpy(packet->data, bytes.data(), bytes.size());
    int code = avcodec_send_packet(context.get(), packet.get());
    if (code >= 0) {
        code = avcodec_send_packet(context.get(), nullptr);
    }
    if (code >= 0 || code == AVERROR_EOF) {
        code = avcodec_receive_frame(context.get(), frame.get());
    }
    if (code < 0) {
        return Error{"damaged PNG: " + avError(code)};
    }
    const int width = frame->width;
    const int height = frame->height;
    if (!sizeAllowed(width, height)) {
        return Error{"PNG size " + std::to_string(width) + "x" + std::to_string(height) +
                     " is outside what we take"};
    }
    ScalePtr convert(sws_getContext(width, height, static_cast<AVPixelFormat>(frame->format), width,
                                    height, AV_PIX_FMT_BGR0, SWS_POINT, nullptr, nullptr, nullptr));
    if (!convert) {
        return Error{"no conversion from the PNG's pixel format"};
    }
    BgrxPicture picture{width, height, {}};
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    picture.pixels.resize(stride * static_cast<std::size_t>(height));
    // Written from the last memory row upwards: the top row of the PNG lands
    // in the bottom-up buffer's last row.
    std::uint8_t* destination[4] = {picture.pixels.data() + stride * (height - 1), nullptr, nullptr,
                                    nullptr};
    const int destinationStride[4] = {-static_cast<int>(stride), 0, 0, 0};
    sws_scale(convert.get(), frame->data, frame->linesize, 0, height, destination,
              destinationStride);
    for (std::size_t i = 3; i < picture.pixels.size(); i += 4) {
        picture.pixels[i] = 0;
    }
    return picture;
}

Result<std::vector<std::uint8_t>> encodePng(const std::uint8_t* bgrx, int width, int height) {
    if (bgrx == nullptr || !sizeAllowed(width, height)) {
        return Error{"no picture to write as PNG"};
    }
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_PNG);
    if (codec == nullptr) {
        return Error{"the media backend has no PNG encoder"};
    }
    CodecContextPtr context(avcodec_alloc_context3(codec));
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    if (!context || !packet || !frame) {
        return Error{"out of memory for the PNG encoder"};
    }
    context->width = width;
    context->height = height;
    context->pix_fmt = AV_PIX_FMT_RGB24;
    context->time_base = AVRational{1, 1};
    context->thread_count = 1;
    if (const int code = avcodec_open2(context.get(), codec, nullptr); code < 0) {
        return Error{"cannot open the PNG encoder: " + avError(code)};
    }
    frame->width = width;
    frame->height = height;
    frame->format = AV_PIX_FMT_RGB24;
    if (av_frame_get_buffer(frame.get(), 0) < 0) {
        return Error{"out of memory for a PNG frame"};
    }
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* source = bgrx + stride * static_cast<std::size_t>(height - 1 - y);
        std::uint8_t* row = frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0];
        for (int x = 0; x < width; ++x) {
            row[3 * x] = source[4 * x + 2];
            row[3 * x + 1] = source[4 * x + 1];
            row[3 * x + 2] = source[4 * x];
        }
    }
    int code = avcodec_send_frame(context.get(), frame.get());
    if (code >= 0) {
        code = avcodec_send_frame(context.get(), nullptr);
    }
    if (code >= 0) {
        code = avcodec_receive_packet(context.get(), packet.get());
    }
    if (code < 0) {
        return Error{"cannot encode PNG: " + avError(code)};
    }
    return std::vector<std::uint8_t>(packet->data, packet->data + packet->size);
}

}  // namespace platform
