#include "platform/audio/AudioMixer.h"

#include <algorithm>
#include <cmath>

namespace platform {

std::shared_ptr<AudioMixer::Voice> AudioMixer::add(std::unique_ptr<AudioSource> source) {
    auto voice = std::make_shared<Voice>(std::move(source));
    std::lock_guard lock(mutex_);
    voices_.push_back(voice);
    return voice;
}

void AudioMixer::remove(const std::shared_ptr<Voice>& voice) {
    std::lock_guard lock(mutex_);
    std::erase(voices_, voice);
}

void AudioMixer::mix(std::int16_t* out, std::size_t frames) {
    const std::size_t samples = frames * AUDIO_MIX_CHANNELS;
    std::lock_guard lock(mutex_);
    sum_.assign(samples, 0.0f);
    scratch_.resize(samples);
    for (const auto& voice : voices_) {
        if (!voice->started.load(std::memory_order_acquire) ||
            voice->ended.load(std::memory_order_relaxed)) {
            continue;
        }
        const std::size_t got = voice->source->read(scratch_.data(), frames);
        for (std::size_t i = 0; i < got * AUDIO_MIX_CHANNELS; ++i) {
            sum_[i] += scratch_[i];
        }
        if (got < frames) {
            voice->ended.store(true, std::memory_order_release);
        }
    }
    for (std::size_t i = 0; i < samples; ++i) {
        const float scaled = std::clamp(sum_[i], -1.0f, 1.0f) * 32767.0f;
        out[i] = static_cast<std::int16_t>(std::lrint(scaled));
    }
}

}  // namespace platform
