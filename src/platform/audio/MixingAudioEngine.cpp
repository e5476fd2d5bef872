#include "platform/audio/MixingAudioEngine.h"

#include <array>
#include <cstring>
#include <fstream>

#include "platform/Trace.h"
#include "platform/audio/FfmpegAudioSource.h"
#include "platform/audio/MidiAudioSource.h"

namespace platform {

namespace {

// The media graph hands MIDI files to the synthesiser: FFmpeg has no MIDI
// decoder. Recognised by content, as the graph does.
bool looksLikeMidi(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::array<char, 4> magic{};
    return file.read(magic.data(), magic.size()) && std::memcmp(magic.data(), "MThd", 4) == 0;
}

}  // namespace

class MixingAudioEngine::Stream final : public AudioStream {
  public:
    Stream(AudioMixer& mixer, std::unique_ptr<AudioSource> source)
        : mixer_(mixer), voice_(mixer.add(std::move(source))) {}
    ~Stream() override { mixer_.remove(voice_); }

    void start() override { voice_->started.store(true, std::memory_order_release); }
    bool ended() const override { return voice_->ended.load(std::memory_order_acquire); }

  private:
    AudioMixer& mixer_;
    std::shared_ptr<AudioMixer::Voice> voice_;
};

MixingAudioEngine::MixingAudioEngine(Options options, OutputFactory makeOutput)
    : options_(std::move(options)), makeOutput_(std::move(makeOutput)) {
    if (options_.soundFont.empty()) {
        options_.soundFont = MidiAudioSource::findSoundFont();
    }
}

MixingAudioEngine::~MixingAudioEngine() {
    std::lock_guard lock(outputMutex_);
    output_.reset();
}

std::unique_ptr<AudioStream> MixingAudioEngine::open(const std::string& path, AudioDevice device) {
    if (device == AudioDevice::MediaGraph && !options_.mediaGraph) {
        return nullptr;
    }
    std::unique_ptr<AudioSource> source;
    std::string reason;
    const bool midi =
        device == AudioDevice::Midi || (device == AudioDevice::MediaGraph && looksLikeMidi(path));
    if (midi) {
        auto opened = MidiAudioSource::open(path, options_.soundFont);
        if (opened) {
            source = std::move(*opened);
        } else {
            reason = opened.error();
        }
    } else {
        auto opened = FfmpegAudioSource::open(path, device == AudioDevice::Wave
                                                        ? FfmpegAudioSource::Container::WaveOnly
                                                        : FfmpegAudioSource::Container::Any);
        if (opened) {
            source = std::move(*opened);
        } else {
            reason = opened.error();
        }
    }
    if (!source) {
        trace("audio: %s", reason.c_str());
        return nullptr;
    }
    {
        std::lock_guard lock(outputMutex_);
        if (!output_ && makeOutput_) {
            output_ = makeOutput_(mixer_);
        }
    }
    return std::make_unique<Stream>(mixer_, std::move(source));
}

}  // namespace platform
