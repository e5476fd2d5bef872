#include "platform/video/VideoEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <vector>

namespace platform {

namespace {

constexpr int kInputRate = 44100;

std::string describe(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

bool endsWith(const std::string& text, const std::string& suffix) {
    if (text.size() < suffix.size()) {
        return false;
    }
    return std::equal(suffix.rbegin(), suffix.rend(), text.rbegin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

}  // namespace

struct VideoEncoder::State {
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    SwsContext* scaler = nullptr;
    SwrContext* resampler = nullptr;
    AVAudioFifo* fifo = nullptr;
    AVFrame* picture = nullptr;
    AVFrame* sound = nullptr;
    AVPacket* packet = nullptr;
    bool headerWritten = false;
    bool finished = false;
    std::int64_t videoFrames = 0;
    std::int64_t audioSamples = 0;  // at the encoder's rate, sent to the encoder
    std::int64_t inputSamples = 0;  // at 44100 Hz, passed on to the resampler
    // Sound received ahead of the pictures (interleaved stereo at 44100 Hz):
    // it is passed on only as far as the pictures reach, so a track that
    // runs on past the last picture is cut there.
    std::vector<std::int16_t> pending;
    std::size_t pendingStart = 0;  // samples of pending already passed on
    int fps = 30;
    AVFrame* lastPicture = nullptr;  // the last converted picture, for repeats

    ~State() {
        if (headerWritten && !finished) {
            av_write_trailer(format);
        }
        avcodec_free_context(&video);
        avcodec_free_context(&audio);
        sws_freeContext(scaler);
        swr_free(&resampler);
        if (fifo != nullptr) {
            av_audio_fifo_free(fifo);
        }
        av_frame_free(&picture);
        av_frame_free(&lastPicture);
        av_frame_free(&sound);
        av_packet_free(&packet);
        if (format != nullptr) {
            if (!(format->oformat->flags & AVFMT_NOFILE) && format->pb != nullptr) {
                avio_closep(&format->pb);
            }
            avformat_free_context(format);
        }
    }

    // Sends frame (null: drain) and writes every packet that comes out.
    Result<bool> encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame) {
        int code = avcodec_send_frame(codec, frame);
        if (code < 0) {
            return Error{"cannot encode: " + describe(code)};
        }
        for (;;) {
            code = avcodec_receive_packet(codec, packet);
            if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) {
                return true;
            }
            if (code < 0) {
                return Error{"cannot encode: " + describe(code)};
            }
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            code = av_interleaved_write_frame(format, packet);
            if (code < 0) {
                return Error{"cannot write: " + describe(code)};
            }
        }
    }

    // Encodes whole codec frames from the fifo; with flush also the rest.
    Result<bool> drainFifo(bool flush) {
        const int size = audio->frame_size > 0 ? audio->frame_size : 1024;
        while (av_audio_fifo_size(fifo) >= size || (flush && av_audio_fifo_size(fifo) > 0)) {
            const int count = std::min(size, av_audio_fifo_size(fifo));
            av_frame_unref(sound);
            sound->nb_samples = count;
            sound->format = audio->sample_fmt;
            sound->sample_rate = audio->sample_rate;
            av_channel_layout_copy(&sound->ch_layout, &audio->ch_layout);
            if (av_frame_get_buffer(sound, 0) < 0) {
                return Error{"out of memory for audio"};
            }
            av_audio_fifo_read(fifo, reinterpret_cast<void**>(sound->data), count);
            sound->pts = audioSamples;
            audioSamples += count;
            auto sent = encode(audio, audioStream, sound);
            if (!sent) {
                return sent;
            }
        }
        return true;
    }

    // The samples the pictures written so far reach, at 44100 Hz.
    std::int64_t audioLimit() const { return videoFrames * kInputRate / fps; }

    // Passes pending sound on up to the pictures' end; with pad, silence
    // fills up to there and whatever lies beyond is dropped.
    Result<bool> releaseAudio(bool pad) {
        const std::int64_t limit = audioLimit();
        const std::int64_t available =
            static_cast<std::int64_t>((pending.size() - pendingStart) / 2);
        const std::int64_t count =
            std::min(available, std::max<std::int64_t>(limit - inputSamples, 0));
        if (count > 0) {
            const std::uint8_t* input[1] = {
                reinterpret_cast<const std::uint8_t*>(pending.data() + pendingStart)};
            inputSamples += count;
            pendingStart += static_cast<std::size_t>(count) * 2;
            auto pushed = pushAudio(input, static_cast<int>(count));
            if (!pushed) {
                return pushed;
            }
        }
        if (pendingStart == pending.size() || pendingStart > (1u << 20)) {
            pending.erase(pending.begin(),
                          pending.begin() + static_cast<std::ptrdiff_t>(pendingStart));
            pendingStart = 0;
        }
        if (!pad) {
            return true;
        }
        pending.clear();
        pendingStart = 0;
        if (limit > inputSamples) {
            const std::vector<std::int16_t> silence(
                static_cast<std::size_t>(limit - inputSamples) * 2, 0);
            const std::uint8_t* input[1] = {reinterpret_cast<const std::uint8_t*>(silence.data())};
            const int missing = static_cast<int>(limit - inputSamples);
            inputSamples = limit;
            return pushAudio(input, missing);
        }
        return true;
    }

    std::vector<std::vector<float>> resampled;  // reused between calls
    std::vector<std::uint8_t*> resampledPlanes;

    Result<bool> sendPicture(AVFrame* frame) {
        frame->pts = videoFrames++;
        auto sent = encode(video, videoStream, frame);
        if (!sent) {
            return sent;
        }
        return audio != nullptr ? releaseAudio(false) : Result<bool>(true);
    }

    Result<bool> pushAudio(const std::uint8_t* const* input, int count) {
        const int room = std::max(swr_get_out_samples(resampler, count), 1);
        const std::size_t channels = static_cast<std::size_t>(audio->ch_layout.nb_channels);
        resampled.resize(channels);
        resampledPlanes.resize(channels);
        for (std::size_t i = 0; i < channels; ++i) {
            const std::size_t wanted = static_cast<std::size_t>(room) *
                                       (av_sample_fmt_is_planar(audio->sample_fmt) ? 1 : channels);
            if (resampled[i].size() < wanted) {
                resampled[i].resize(wanted);
            }
            resampledPlanes[i] = reinterpret_cast<std::uint8_t*>(resampled[i].data());
        }
        std::vector<std::uint8_t*>& planes = resampledPlanes;
        const int converted = swr_convert(resampler, planes.data(), room,
                                          const_cast<const std::uint8_t**>(input), count);
        if (converted < 0) {
            return Error{"cannot resample: " + describe(converted)};
        }
        if (converted > 0 && av_audio_fifo_write(fifo, reinterpret_cast<void**>(planes.data()),
                                                 converted) < converted) {
            return Error{"out of memory for audio"};
        }
        return drainFifo(false);
    }
};

VideoEncoder::VideoEncoder(std::unique_ptr<State> state) : state_(std::move(state)) {}
VideoEncoder::~VideoEncoder() = default;

std::int64_t VideoEncoder::framesWritten() const {
    return state_->videoFrames;
}

Result<std::unique_ptr<VideoEncoder>> VideoEncoder::open(const VideoEncoderOptions& options) {
    // Only errors: the codecs' statistics would break the progress line.
    av_log_set_level(AV_LOG_ERROR);
    if (options.width <= 0 || options.height <= 0 || options.width % 2 != 0 ||
        options.height % 2 != 0) {
        return Error{"the video size must be even on both sides"};
    }
    if (options.fps <= 0 || options.fps > 240) {
        return Error{"the frame rate must be 1 to 240"};
    }
    auto state = std::make_unique<State>();
    state->fps = options.fps;
    const bool webm = endsWith(options.path, ".webm");
    const char* containerName = webm ? "webm" : endsWith(options.path, ".mkv") ? "matroska" : "mp4";
    if (int code = avformat_alloc_output_context2(&state->format, nullptr, containerName,
                                                  options.path.c_str());
        code < 0) {
        return Error{"cannot make the container: " + describe(code)};
    }

    const AVCodec* videoCodec = avcodec_find_encoder_by_name(webm ? "libvpx-vp9" : "libx264");
    if (videoCodec == nullptr) {
        return Error{std::string("no ") + (webm ? "VP9" : "H.264") + " encoder in this FFmpeg"};
    }
    state->video = avcodec_alloc_context3(videoCodec);
    state->video->width = options.width;
    state->video->height = options.height;
    state->video->time_base = AVRational{1, options.fps};
    state->video->framerate = AVRational{options.fps, 1};
    state->video->pix_fmt = AV_PIX_FMT_YUV420P;
    state->video->gop_size = options.fps * 2;
    // Encoding runs beside composition, so the encoder gets the second core.
    state->video->thread_count = 2;
    if (state->format->oformat->flags & AVFMT_GLOBALHEADER) {
        state->video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    AVDictionary* videoOptions = nullptr;
    if (!options.preset.empty() && !webm) {
        av_dict_set(&videoOptions, "preset", options.preset.c_str(), 0);
    }
    if (webm) {
        av_dict_set(&videoOptions, "deadline", "realtime", 0);
        av_dict_set(&videoOptions, "cpu-used", "8", 0);
        av_dict_set(&videoOptions, "row-mt", "1", 0);
        av_dict_set_int(&videoOptions, "crf", options.crf >= 0 ? options.crf : 32, 0);
        state->video->bit_rate = 0;
    } else if (options.crf >= 0) {
        av_dict_set_int(&videoOptions, "crf", options.crf, 0);
    }
    int code = avcodec_open2(state->video, videoCodec, &videoOptions);
    av_dict_free(&videoOptions);
    if (code < 0) {
        return Error{"cannot open the video encoder: " + describe(code)};
    }
    state->videoStream = avformat_new_stream(state->format, nullptr);
    state->videoStream->time_base = state->video->time_base;
    state->videoStream->avg_frame_rate = AVRational{options.fps, 1};
    avcodec_parameters_from_context(state->videoStream->codecpar, state->video);

    if (options.audio) {
        const AVCodec* audioCodec = avcodec_find_encoder_by_name(webm ? "libopus" : "aac");
        if (audioCodec == nullptr) {
            return Error{std::string("no ") + (webm ? "Opus" : "AAC") + " encoder in this FFmpeg"};
        }
        state->audio = avcodec_alloc_context3(audioCodec);
        state->audio->sample_rate = webm ? 48000 : kInputRate;
        state->audio->sample_fmt = webm ? AV_SAMPLE_FMT_S16 : AV_SAMPLE_FMT_FLTP;
        av_channel_layout_default(&state->audio->ch_layout, 2);
        state->audio->bit_rate = 160000;
        state->audio->time_base = AVRational{1, state->audio->sample_rate};
        if (state->format->oformat->flags & AVFMT_GLOBALHEADER) {
            state->audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        }
        code = avcodec_open2(state->audio, audioCodec, nullptr);
        if (code < 0) {
            return Error{"cannot open the audio encoder: " + describe(code)};
        }
        state->audioStream = avformat_new_stream(state->format, nullptr);
        state->audioStream->time_base = state->audio->time_base;
        avcodec_parameters_from_context(state->audioStream->codecpar, state->audio);

        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        code = swr_alloc_set_opts2(&state->resampler, &state->audio->ch_layout,
                                   state->audio->sample_fmt, state->audio->sample_rate, &stereo,
                                   AV_SAMPLE_FMT_S16, kInputRate, 0, nullptr);
        if (code < 0 || swr_init(state->resampler) < 0) {
            return Error{"cannot set up the audio resampler"};
        }
        state->fifo = av_audio_fifo_alloc(state->audio->sample_fmt,
                                          state->audio->ch_layout.nb_channels, 4096);
        state->sound = av_frame_alloc();
    }

    state->picture = av_frame_alloc();
    state->lastPicture = av_frame_alloc();
    state->picture->format = AV_PIX_FMT_YUV420P;
    state->picture->width = options.width;
    state->picture->height = options.height;
    state->packet = av_packet_alloc();
    if (av_frame_get_buffer(state->picture, 0) < 0 || state->packet == nullptr ||
        state->lastPicture == nullptr) {
        return Error{"out of memory for the video"};
    }
    state->scaler =
        sws_getContext(options.width, options.height, AV_PIX_FMT_BGR0, options.width,
                       options.height, AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (state->scaler == nullptr) {
        return Error{"cannot set up the colour conversion"};
    }

    if (!(state->format->oformat->flags & AVFMT_NOFILE)) {
        code = avio_open(&state->format->pb, options.path.c_str(), AVIO_FLAG_WRITE);
        if (code < 0) {
            return Error{"cannot create " + options.path + ": " + describe(code)};
        }
    }
    code = avformat_write_header(state->format, nullptr);
    if (code < 0) {
        return Error{"cannot write the header: " + describe(code)};
    }
    state->headerWritten = true;
    return std::unique_ptr<VideoEncoder>(new VideoEncoder(std::move(state)));
}

Result<bool> VideoEncoder::addFrame(const FrameView& frame) {
    State& s = *state_;
    if (frame.width != s.video->width || frame.height != s.video->height ||
        frame.pixels == nullptr) {
        return Error{"frame of the wrong size"};
    }
    // Drop our reference first so the conversion reuses the same buffer.
    av_frame_unref(s.lastPicture);
    if (av_frame_make_writable(s.picture) < 0) {
        return Error{"out of memory for the video"};
    }
    // Bottom-up rows: start at the top row and step backwards.
    const std::size_t rowBytes = static_cast<std::size_t>(frame.width) * 4;
    const std::uint8_t* source[1] = {frame.pixels + rowBytes * (frame.height - 1)};
    const int stride[1] = {-frame.width * 4};
    sws_scale(s.scaler, source, stride, 0, frame.height, s.picture->data, s.picture->linesize);
    // Our own reference to the converted picture, for repeats.
    if (av_frame_ref(s.lastPicture, s.picture) < 0) {
        return Error{"out of memory for the video"};
    }
    return s.sendPicture(s.lastPicture);
}

Result<bool> VideoEncoder::repeatFrame() {
    State& s = *state_;
    if (s.lastPicture->data[0] == nullptr) {
        return Error{"no frame to repeat"};
    }
    return s.sendPicture(s.lastPicture);
}

Result<bool> VideoEncoder::addAudio(const std::int16_t* samples, std::size_t frames) {
    State& s = *state_;
    if (s.audio == nullptr || frames == 0) {
        return true;
    }
    s.pending.insert(s.pending.end(), samples, samples + frames * 2);
    return s.releaseAudio(false);
}

Result<bool> VideoEncoder::finish() {
    State& s = *state_;
    if (s.finished) {
        return true;
    }
    if (s.audio != nullptr) {
        // Both tracks end with the last picture: silence fills a short
        // track, a long one is cut.
        auto released = s.releaseAudio(true);
        if (!released) {
            return released;
        }
        const int tail = static_cast<int>(swr_get_delay(s.resampler, s.audio->sample_rate));
        if (tail > 0) {
            std::vector<std::uint8_t*> planes(2);
            std::vector<std::vector<float>> buffers(
                2, std::vector<float>(static_cast<std::size_t>(tail) * 2));
            planes[0] = reinterpret_cast<std::uint8_t*>(buffers[0].data());
            planes[1] = reinterpret_cast<std::uint8_t*>(buffers[1].data());
            const int converted = swr_convert(s.resampler, planes.data(), tail, nullptr, 0);
            if (converted > 0) {
                av_audio_fifo_write(s.fifo, reinterpret_cast<void**>(planes.data()), converted);
            }
        }
        auto drained = s.drainFifo(true);
        if (!drained) {
            return drained;
        }
        auto flushed = s.encode(s.audio, s.audioStream, nullptr);
        if (!flushed) {
            return flushed;
        }
    }
    auto flushed = s.encode(s.video, s.videoStream, nullptr);
    if (!flushed) {
        return flushed;
    }
    s.finished = true;
    if (int code = av_write_trailer(s.format); code < 0) {
        return Error{"cannot finish the file: " + describe(code)};
    }
    return true;
}

}  // namespace platform
