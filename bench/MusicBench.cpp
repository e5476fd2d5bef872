// Cost of the music engine per second of music: MP3 decoding with mixing, and
// MIDI synthesis, as a percentage of one core. core_pct = CPU time of the
// iteration / seconds of music it produced * 100.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/TempFiles.h"
#include "platform/audio/AudioMixer.h"
#include "platform/audio/FfmpegAudioSource.h"
#include "platform/audio/MidiAudioSource.h"
#include "support/AudioFiles.h"

namespace {

constexpr double kMusicSeconds = 10.0;

struct MusicFiles {
    std::optional<platform::TempDirectory> directory = platform::TempDirectory::create();
    std::string mp3;
    std::string midi;
    bool ok = false;

    MusicFiles() {
        if (!directory) {
            return;
        }
        mp3 = directory->path() + "/music.mp3";
        midi = directory->path() + "/music.mid";
        std::vector<testing_support::MidiNote> notes;
        for (int i = 0; i < 80; ++i) {
            notes.push_back({48 + (i * 7) % 36, 100, 120});  // 80 eighth notes: 10 s
        }
        ok = testing_support::runFfmpeg(
                 "-f lavfi -i sine=frequency=440:duration=10 -ac 2 -b:a 192k -c:a libmp3lame " +
                 mp3) &&
             testing_support::writeBytes(midi, testing_support::midiFile(notes));
    }
};

MusicFiles& files() {
    static MusicFiles made;
    return made;
}

// Pulls the source through the mixer in the sound card's block size until it
// ends, as the output thread does.
void playThrough(benchmark::State& state, std::unique_ptr<platform::AudioSource> source) {
    platform::AudioMixer mixer;
    auto voice = mixer.add(std::move(source));
    voice->started = true;
    std::vector<std::int16_t> block(1024 * 2);
    while (!voice->ended) {
        mixer.mix(block.data(), 1024);
    }
    benchmark::DoNotOptimize(block.data());
    (void)state;
}

void setCorePercent(benchmark::State& state) {
    state.counters["core_pct"] =
        benchmark::Counter(kMusicSeconds / 100.0, benchmark::Counter::kIsIterationInvariantRate |
                                                      benchmark::Counter::kInvert);
}

void BM_Mp3DecodeAndMix(benchmark::State& state) {
    if (!files().ok) {
        state.SkipWithError("cannot make the MP3 file with ffmpeg");
        return;
    }
    for (auto _ : state) {
        auto source = platform::FfmpegAudioSource::open(
            files().mp3, platform::FfmpegAudioSource::Container::Any);
        if (!source) {
            state.SkipWithError(source.error().c_str());
            return;
        }
        playThrough(state, std::move(*source));
    }
    setCorePercent(state);
}
BENCHMARK(BM_Mp3DecodeAndMix)->Unit(benchmark::kMillisecond);

void BM_MidiSynthesis(benchmark::State& state) {
    const std::string soundFont = platform::MidiAudioSource::findSoundFont();
    if (!files().ok || soundFont.empty()) {
        state.SkipWithError("no MIDI file or no sound font");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto source = platform::MidiAudioSource::open(files().midi, soundFont);
        state.ResumeTiming();
        if (!source) {
            state.SkipWithError(source.error().c_str());
            return;
        }
        playThrough(state, std::move(*source));
    }
    setCorePercent(state);
}
BENCHMARK(BM_MidiSynthesis)->Unit(benchmark::kMillisecond);

// Every MIDI start (and restart) loads the sound font afresh.
void BM_MidiOpen(benchmark::State& state) {
    const std::string soundFont = platform::MidiAudioSource::findSoundFont();
    if (!files().ok || soundFont.empty()) {
        state.SkipWithError("no MIDI file or no sound font");
        return;
    }
    for (auto _ : state) {
        auto source = platform::MidiAudioSource::open(files().midi, soundFont);
        benchmark::DoNotOptimize(source.ok());
    }
}
BENCHMARK(BM_MidiOpen)->Unit(benchmark::kMillisecond);

}  // namespace
