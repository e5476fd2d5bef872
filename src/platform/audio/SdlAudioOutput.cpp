#include "platform/audio/SdlAudioOutput.h"

#include <SDL2/SDL.h>

namespace platform {

Result<std::unique_ptr<SdlAudioOutput>> SdlAudioOutput::open(AudioMixer& mixer) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return Error{std::string("no audio: ") + SDL_GetError()};
    }
    std::unique_ptr<SdlAudioOutput> output(new SdlAudioOutput(mixer, 0));
    SDL_AudioSpec wanted{};
    wanted.freq = AUDIO_MIX_RATE;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = AUDIO_MIX_CHANNELS;
    wanted.samples = 1024;  // about 23 ms: short enough for a cue, long enough not to starve
    wanted.callback = &SdlAudioOutput::callback;
    wanted.userdata = output.get();
    SDL_AudioSpec obtained{};
    // No allowed changes: SDL converts to the device's format for us.
    output->device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (output->device_ == 0) {
        const std::string reason = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return Error{"no audio device: " + reason};
    }
    SDL_PauseAudioDevice(output->device_, 0);
    return output;
}

SdlAudioOutput::~SdlAudioOutput() {
    if (device_ != 0) {
        SDL_CloseAudioDevice(device_);  // waits for a running callback
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

void SdlAudioOutput::callback(void* self, std::uint8_t* stream, int bytes) {
    auto* output = static_cast<SdlAudioOutput*>(self);
    const auto frames =
        static_cast<std::size_t>(bytes) / (sizeof(std::int16_t) * AUDIO_MIX_CHANNELS);
    output->mixer_.mix(reinterpret_cast<std::int16_t*>(stream), frames);
}

}  // namespace platform
