#include "platform/audio/FfmpegAudioSource.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include "platform/FfmpegLog.h"

namespace platform {

struct FfmpegAudioSource::Codec {
    AVFormatContext* format = nullptr;
    AVCodecContext* decoder = nullptr;
    SwrContext* resampler = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int stream = -1;
    bool demuxerDone = false;  // the decoder has had its flush packet
    bool decoderDone = false;
    bool resamplerDone = false;
    std::vector<float> pending;  // converted, not yet read
    std::size_t pendingAt = 0;   // samples of pending already read

    ~Codec() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        swr_free(&resampler);
        avcodec_free_context(&decoder);
        avformat_close_input(&format);
    }

    std::size_t pendingFrames() const { return (pending.size() - pendingAt) / AUDIO_MIX_CHANNELS; }

    // Appends the resampler's output for the given input (null: flush).
    void convert(const std::uint8_t** input, int inputFrames) {
        const int room = swr_get_out_samples(resampler, inputFrames);
        if (room <= 0) {
            if (input == nullptr) {
                resamplerDone = true;
            }
            return;
        }
        if (pendingAt == pending.size()) {
            pending.clear();
            pendingAt = 0;
        }
        const std::size_t at = pending.size();
        pending.resize(at + static_cast<std::size_t>(room) * AUDIO_MIX_CHANNELS);
        auto* outPlane = reinterpret_cast<std::uint8_t*>(pending.data() + at);
        const int got = swr_convert(resampler, &outPlane, room, input, inputFrames);
        pending.resize(at + static_cast<std::size_t>(std::max(got, 0)) * AUDIO_MIX_CHANNELS);
        if (input == nullptr && got <= 0) {
            resamplerDone = true;
        }
    }
};

Result<std::unique_ptr<FfmpegAudioSource>> FfmpegAudioSource::open(const std::string& path,
                                                                   Container container) {
    quietenFfmpegLog();
    auto codec = std::make_unique<Codec>();
    const AVInputFormat* forced =
        container == Container::WaveOnly ? av_find_input_format("wav") : nullptr;
    if (avformat_open_input(&codec->format, path.c_str(), forced, nullptr) < 0) {
        return Error{"cannot open " + path + " as audio"};
    }
    if (avformat_find_stream_info(codec->format, nullptr) < 0) {
        return Error{"no stream information in " + path};
    }
    const AVCodec* decoder = nullptr;
    codec->stream = av_find_best_stream(codec->format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (codec->stream < 0 || decoder == nullptr) {
        return Error{"no audio stream in " + path};
    }
    codec->decoder = avcodec_alloc_context3(decoder);
    if (codec->decoder == nullptr ||
        avcodec_parameters_to_context(codec->decoder,
                                      codec->format->streams[codec->stream]->codecpar) < 0 ||
        avcodec_open2(codec->decoder, decoder, nullptr) < 0) {
        return Error{"cannot open the audio decoder of " + path};
    }
    if (codec->decoder->ch_layout.nb_channels <= 0 || codec->decoder->sample_rate <= 0) {
        return Error{"no channels or sample rate in " + path};
    }
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    if (swr_alloc_set_opts2(&codec->resampler, &stereo, AV_SAMPLE_FMT_FLT, AUDIO_MIX_RATE,
                            &codec->decoder->ch_layout, codec->decoder->sample_fmt,
                            codec->decoder->sample_rate, 0, nullptr) < 0 ||
        swr_init(codec->resampler) < 0) {
        return Error{"cannot convert the audio of " + path};
    }
    codec->packet = av_packet_alloc();
    codec->frame = av_frame_alloc();
    if (codec->packet == nullptr || codec->frame == nullptr) {
        return Error{"out of memory"};
    }
    std::unique_ptr<FfmpegAudioSource> source(new FfmpegAudioSource(std::move(codec)));
    // A file that never yields a sample would end at once and restart in a
    // tight loop; it counts as not playable.
    if (!source->refill()) {
        return Error{"no audio samples in " + path};
    }
    return source;
}

FfmpegAudioSource::FfmpegAudioSource(std::unique_ptr<Codec> codec) : codec_(std::move(codec)) {}

FfmpegAudioSource::~FfmpegAudioSource() = default;

bool FfmpegAudioSource::refill() {
    Codec& c = *codec_;
    while (c.pendingFrames() == 0) {
        if (c.decoderDone) {
            if (c.resamplerDone) {
                return false;
            }
            c.convert(nullptr, 0);
            continue;
        }
        const int received = avcodec_receive_frame(c.decoder, c.frame);
        if (received == 0) {
            c.convert(const_cast<const std::uint8_t**>(c.frame->extended_data),
                      c.frame->nb_samples);
            av_frame_unref(c.frame);
            continue;
        }
        if (received == AVERROR_EOF) {
            c.decoderDone = true;
            continue;
        }
        if (received != AVERROR(EAGAIN)) {
            c.decoderDone = true;  // a broken decoder state ends the file
            continue;
        }
        if (c.demuxerDone) {
            c.decoderDone = true;
            continue;
        }
        if (av_read_frame(c.format, c.packet) < 0) {
            c.demuxerDone = true;
            avcodec_send_packet(c.decoder, nullptr);
            continue;
        }
        if (c.packet->stream_index == c.stream) {
            // Damaged packets are skipped; the decoder goes on with the next.
            avcodec_send_packet(c.decoder, c.packet);
        }
        av_packet_unref(c.packet);
    }
    return true;
}

std::size_t FfmpegAudioSource::read(float* out, std::size_t frames) {
    std::size_t done = 0;
    while (done < frames && refill()) {
        Codec& c = *codec_;
        const std::size_t take = std::min(frames - done, c.pendingFrames());
        std::memcpy(out + done * AUDIO_MIX_CHANNELS, c.pending.data() + c.pendingAt,
                    take * AUDIO_MIX_CHANNELS * sizeof(float));
        c.pendingAt += take * AUDIO_MIX_CHANNELS;
        done += take;
    }
    return done;
}

}  // namespace platform
