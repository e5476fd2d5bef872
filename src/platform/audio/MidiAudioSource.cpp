#include "platform/audio/MidiAudioSource.h"

#include <fluidsynth.h>

#include <algorithm>
#include <filesystem>
#include <mutex>

#include "platform/FileBytes.h"
#include "platform/audio/MidiFileScan.h"

namespace platform {

namespace {

// Music files are small; this only keeps a wrong file from filling memory.
constexpr std::uint64_t MIDI_MAX_FILE_BYTES = 16u << 20;

void silenceFluidSynthLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Its complaints about a file would land on the show's terminal; our
        // own checks already say why a file does not play.
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) {
            fluid_set_log_function(level, nullptr, nullptr);
        }
    });
}

}  // namespace

struct MidiAudioSource::Synth {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    fluid_player_t* player = nullptr;
    std::vector<std::uint8_t> file;  // the player reads from it while playing

    ~Synth() {
        if (player != nullptr) {
            fluid_player_stop(player);
            delete_fluid_player(player);
        }
        if (synth != nullptr) {
            delete_fluid_synth(synth);
        }
        if (settings != nullptr) {
            delete_fluid_settings(settings);
        }
    }
};

std::string MidiAudioSource::findSoundFont() {
    for (const char* candidate :
         {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2",
          "/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/soundfonts/default.sf2"}) {
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error)) {
            return candidate;
        }
    }
    return {};
}

Result<std::unique_ptr<MidiAudioSource>> MidiAudioSource::open(const std::string& path,
                                                               const std::string& soundFont) {
    auto bytes = readFileBytes(path, MIDI_MAX_FILE_BYTES);
    if (!bytes) {
        return Error{bytes.error()};
    }
    auto notes = midiFileHasNotes(*bytes);
    if (!notes) {
        return Error{path + ": " + notes.error()};
    }
    if (!*notes) {
        return Error{path + " plays no notes"};
    }
    if (soundFont.empty()) {
        return Error{"no General MIDI sound font installed"};
    }
    silenceFluidSynthLog();
    auto synth = std::make_unique<Synth>();
    synth->file = std::move(*bytes);
    synth->settings = new_fluid_settings();
    if (synth->settings == nullptr) {
        return Error{"cannot create synthesiser settings"};
    }
    fluid_settings_setnum(synth->settings, "synth.sample-rate", AUDIO_MIX_RATE);
    // The player's clock is the rendered samples, not the system clock.
    fluid_settings_setstr(synth->settings, "player.timing-source", "sample");
    fluid_settings_setint(synth->settings, "synth.lock-memory", 0);
    synth->synth = new_fluid_synth(synth->settings);
    if (synth->synth == nullptr) {
        return Error{"cannot create the synthesiser"};
    }
    if (fluid_synth_sfload(synth->synth, soundFont.c_str(), 1) == FLUID_FAILED) {
        return Error{"cannot load the sound font " + soundFont};
    }
    synth->player = new_fluid_player(synth->synth);
    if (synth->player == nullptr ||
        fluid_player_add_mem(synth->player, synth->file.data(), synth->file.size()) != FLUID_OK ||
        fluid_player_play(synth->player) != FLUID_OK) {
        return Error{"the synthesiser cannot play " + path};
    }
    return std::unique_ptr<MidiAudioSource>(new MidiAudioSource(std::move(synth)));
}

MidiAudioSource::MidiAudioSource(std::unique_ptr<Synth> synth) : synth_(std::move(synth)) {}

MidiAudioSource::~MidiAudioSource() = default;

bool MidiAudioSource::pastLastEvent() const {
    // The player itself lingers for seconds after the last event before it
    // reports that it is done; a sequencer ends with the last event.
    const int total = fluid_player_get_total_ticks(synth_->player);
    return fluid_player_get_status(synth_->player) == FLUID_PLAYER_DONE ||
           (total > 0 && fluid_player_get_current_tick(synth_->player) >= total);
}

std::size_t MidiAudioSource::read(float* out, std::size_t frames) {
    // The player advances inside write calls, in blocks of the synth's size.
    constexpr std::size_t kBlock = 64;
    std::size_t done = 0;
    while (done < frames) {
        if (tailLeft_ == 0) {
            break;
        }
        if (tailLeft_ < 0 && pastLastEvent()) {
            tailLeft_ = kTailFrames;
        }
        std::size_t take = std::min(kBlock, frames - done);
        if (tailLeft_ > 0) {
            take = std::min(take, static_cast<std::size_t>(tailLeft_));
        }
        float* at = out + done * AUDIO_MIX_CHANNELS;
        if (fluid_synth_write_float(synth_->synth, static_cast<int>(take), at, 0, 2, at, 1, 2) !=
            FLUID_OK) {
            tailLeft_ = 0;
            break;
        }
        if (tailLeft_ > 0) {
            // Notes still sounding fade out instead of stopping with a click.
            for (std::size_t i = 0; i < take; ++i) {
                const float gain =
                    static_cast<float>(tailLeft_ - static_cast<int>(i)) / kTailFrames;
                at[2 * i] *= gain;
                at[2 * i + 1] *= gain;
            }
            tailLeft_ -= static_cast<int>(take);
        }
        done += take;
    }
    return done;
}

}  // namespace platform
