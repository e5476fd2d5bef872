#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/VirtualClock.h"
#include "platform/audio/AudioMixer.h"
#include "platform/audio/ClockedAudioSink.h"
#include "platform/audio/MidiAudioSource.h"
#include "platform/audio/MidiFileScan.h"
#include "platform/audio/MixingAudioEngine.h"
#include "platform/sdl/SdlPlatform.h"
#include "support/AudioFiles.h"
#include "support/ScratchDirectory.h"

namespace platform {
namespace {

using testing_support::MidiNote;

TEST(MidiFileScan, FindsTheFirstSoundingNoteOrTheFault) {
    const std::vector<std::uint8_t> header = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96};
    auto withTrack = [&](std::vector<std::uint8_t> events) {
        auto bytes = header;
        const auto n = static_cast<std::uint8_t>(events.size());
        bytes.insert(bytes.end(), {'M', 'T', 'r', 'k', 0, 0, 0, n});
        bytes.insert(bytes.end(), events.begin(), events.end());
        return bytes;
    };
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        bool ok;
        bool notes;
    };
    const Case cases[] = {
        {"note on", withTrack({0, 0x90, 60, 100}), true, true},
        {"velocity 0 is a note off", withTrack({0, 0x90, 60, 0, 0, 0xFF, 0x2F, 0}), true, false},
        {"running status", withTrack({0, 0x90, 60, 0, 10, 62, 90}), true, true},
        {"after meta, sysex and a program change",
         withTrack(
             {0, 0xFF, 0x03, 2, 'h', 'i', 0, 0xF0, 1, 0xF7, 0, 0xC0, 5, 0x81, 0x00, 0x91, 64, 1}),
         true, true},
        {"end of track hides later notes", withTrack({0, 0xFF, 0x2F, 0, 0, 0x90, 60, 100}), true,
         false},
        {"header only", header, true, false},
        {"no header", {'R', 'I', 'F', 'F', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96}, false, false},
        {"header cut short", {'M', 'T', 'h', 'd', 0, 0, 0, 6}, false, false},
        {"header length past the end",
         {'M', 'T', 'h', 'd', 0xFF, 0xFF, 0xFF, 0xF0, 0, 0, 0, 1, 0, 96},
         false,
         false},
        {"meta length past the track", withTrack({0, 0xFF, 0x01, 0x7F, 'x'}), false, false},
        {"delta time of five bytes", withTrack({0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 60, 100}),
         false, false},
        {"data byte with no status", withTrack({0, 60, 100}), false, false},
        {"note cut off", withTrack({0, 0x90, 60}), false, false},
        {"broken after the first note", withTrack({0, 0x90, 60, 100, 0, 0xF1}), false, false},
        {"padding after the last chunk",
         [&] {
             auto bytes = withTrack({0, 0x90, 60, 100});
             bytes.insert(bytes.end(), 3, 0);
             return bytes;
         }(),
         true, true},
        {"track longer than the file",
         [&] {
             auto bytes = withTrack({0, 0x90, 60, 100});
             bytes[21] = 40;
             return bytes;
         }(),
         false, false},
        {"other chunks are skipped",
         [&] {
             auto bytes = header;
             for (std::uint8_t b : {'X', 'F', 'I', 'H', '\0', '\0', '\0', '\2', '\x90', '\x90'}) {
                 bytes.push_back(b);
             }
             const auto track = withTrack({0, 0x90, 60, 100});
             bytes.insert(bytes.end(), track.begin() + 14, track.end());
             return bytes;
         }(),
         true, true},
    };
    for (const Case& c : cases) {
        const auto result = midiFileHasNotes(c.bytes);
        ASSERT_EQ(result.ok(), c.ok) << c.name << (result.ok() ? "" : ": " + result.error());
        if (c.ok) {
            EXPECT_EQ(*result, c.notes) << c.name;
        }
    }
}

// A source of a fixed value on both channels for a number of frames.
class ConstantSource final : public AudioSource {
  public:
    ConstantSource(float value, std::size_t frames) : value_(value), left_(frames) {}
    std::size_t read(float* out, std::size_t frames) override {
        const std::size_t take = std::min(frames, left_);
        std::fill(out, out + take * AUDIO_MIX_CHANNELS, value_);
        left_ -= take;
        return take;
    }

  private:
    float value_;
    std::size_t left_;
};

TEST(AudioMixer, AddsStartedVoicesClipsAndMarksTheEnd) {
    AudioMixer mixer;
    auto quiet = mixer.add(std::make_unique<ConstantSource>(0.25f, 3));
    auto loud = mixer.add(std::make_unique<ConstantSource>(0.9f, 100));
    auto waiting = mixer.add(std::make_unique<ConstantSource>(0.5f, 100));
    quiet->started = true;
    loud->started = true;

    std::vector<std::int16_t> out(4 * AUDIO_MIX_CHANNELS);
    mixer.mix(out.data(), 4);
    // 0.25 + 0.9 clips to full scale; after the quiet voice ends only 0.9
    // remains; the voice never started adds nothing.
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[5], 32767);
    EXPECT_EQ(out[6], std::lrint(0.9f * 32767.0f));
    EXPECT_TRUE(quiet->ended);
    EXPECT_FALSE(loud->ended);
    EXPECT_FALSE(waiting->ended);

    mixer.remove(loud);
    mixer.mix(out.data(), 4);
    EXPECT_EQ(out, std::vector<std::int16_t>(out.size(), 0));
}

// The engine on a virtual clock with everything it mixes recorded.
class EngineOnVirtualClock {
  public:
    explicit EngineOnVirtualClock(bool mediaGraph = true)
        : engine_({.mediaGraph = mediaGraph, .soundFont = {}}, [this](AudioMixer& mixer) {
              return std::make_unique<ClockedAudioSink>(
                  clock_, mixer, [this](const std::int16_t* samples, std::size_t frames) {
                      std::lock_guard lock(mutex_);
                      recorded_.insert(recorded_.end(), samples,
                                       samples + frames * AUDIO_MIX_CHANNELS);
                  });
          }) {}

    VirtualClock& clock() { return clock_; }
    MixingAudioEngine& engine() { return engine_; }

    // Root mean square of the recording since the previous call.
    double takeLevel() {
        std::lock_guard lock(mutex_);
        double sum = 0;
        for (std::size_t i = taken_; i < recorded_.size(); ++i) {
            sum += double(recorded_[i]) * recorded_[i];
        }
        const std::size_t n = recorded_.size() - taken_;
        taken_ = recorded_.size();
        return n == 0 ? 0.0 : std::sqrt(sum / double(n));
    }

  private:
    VirtualClock clock_{VirtualClock::Advance::Manual};
    std::mutex mutex_;
    std::vector<std::int16_t> recorded_;  // guarded by mutex_
    std::size_t taken_ = 0;               // guarded by mutex_
    MixingAudioEngine engine_;            // last: its sink records into the above
};

class AudioEngineFiles : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(scratch_.ok());
        if (!testing_support::runFfmpeg("-f lavfi -i sine=frequency=440:duration=1 -ar 22050 " +
                                        path("tone.wav")) ||
            !testing_support::runFfmpeg(
                "-f lavfi -i sine=frequency=440:duration=1 -c:a libmp3lame " + path("tone.mp3"))) {
            GTEST_SKIP() << "the ffmpeg program cannot make the test files";
        }
        ASSERT_TRUE(testing_support::writeBytes(
            path("tune.mid"), testing_support::midiFile({{60, 100, 480}, {64, 100, 480}})));
    }
    std::string path(const std::string& name) { return scratch_.path(name); }

    testing_support::ScratchDirectory scratch_;
};

TEST_F(AudioEngineFiles, EachDevicePlaysItsFilesForTheirLengthThenEnds) {
    if (MidiAudioSource::findSoundFont().empty()) {
        GTEST_SKIP() << "no General MIDI sound font";
    }
    const std::pair<const char*, AudioDevice> cases[] = {
        {"tone.wav", AudioDevice::Wave},       {"tone.wav", AudioDevice::MediaGraph},
        {"tone.mp3", AudioDevice::MediaGraph}, {"tune.mid", AudioDevice::Midi},
        {"tune.mid", AudioDevice::MediaGraph},
    };
    for (const auto& [name, device] : cases) {
        SCOPED_TRACE(name);
        EngineOnVirtualClock fixture;
        auto stream = fixture.engine().open(path(name), device);
        ASSERT_TRUE(stream);
        fixture.clock().advanceBy(100);
        EXPECT_LT(fixture.takeLevel(), 1.0) << "silent until started";
        stream->start();
        fixture.clock().advanceBy(800);
        EXPECT_GT(fixture.takeLevel(), 100.0);
        EXPECT_FALSE(stream->ended());
        // One second of music; MP3 adds its encoder delay, the synthesiser a
        // block or two.
        fixture.clock().advanceBy(400);
        EXPECT_TRUE(stream->ended());
        stream.reset();
        fixture.clock().advanceBy(50);
        fixture.takeLevel();
        fixture.clock().advanceBy(50);
        EXPECT_EQ(fixture.takeLevel(), 0.0) << "a closed stream leaves the mix";
    }
}

TEST_F(AudioEngineFiles, FilesThatHoldNoSoundDoNotOpen) {
    using testing_support::writeBytes;
    ASSERT_TRUE(writeBytes(path("empty.wav"), {}));
    const auto wave = testing_support::waveFile(testing_support::offsetTone(100), 44100, 2);
    ASSERT_TRUE(writeBytes(path("header-only.wav"), {wave.begin(), wave.begin() + 44}));
    ASSERT_TRUE(writeBytes(path("cut-header.wav"), {wave.begin(), wave.begin() + 20}));
    ASSERT_TRUE(writeBytes(path("no-data.wav"), testing_support::waveFile({}, 44100, 2)));
    std::vector<std::uint8_t> noise(4000);
    for (std::size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<std::uint8_t>((i * 7919u) >> 3);
    }
    ASSERT_TRUE(writeBytes(path("noise.mp3"), noise));
    ASSERT_TRUE(writeBytes(path("silent.mid"), testing_support::midiFile({})));
    ASSERT_TRUE(writeBytes(path("mute-notes.mid"), testing_support::midiFile({{60, 0, 480}})));

    const std::pair<const char*, AudioDevice> cases[] = {
        {"empty.wav", AudioDevice::Wave},       {"empty.wav", AudioDevice::MediaGraph},
        {"header-only.wav", AudioDevice::Wave}, {"cut-header.wav", AudioDevice::MediaGraph},
        {"no-data.wav", AudioDevice::Wave},     {"noise.mp3", AudioDevice::MediaGraph},
        {"silent.mid", AudioDevice::Midi},      {"silent.mid", AudioDevice::MediaGraph},
        {"mute-notes.mid", AudioDevice::Midi},  {"tone.mp3", AudioDevice::Wave},
        {"tone.wav", AudioDevice::Midi},        {"missing.wav", AudioDevice::MediaGraph},
    };
    EngineOnVirtualClock fixture;
    for (const auto& [name, device] : cases) {
        EXPECT_FALSE(fixture.engine().open(path(name), device)) << name;
    }
}

TEST_F(AudioEngineFiles, WithoutTheMediaGraphOnlyTheSimpleDevicesOpen) {
    EngineOnVirtualClock fixture(false);
    EXPECT_FALSE(fixture.engine().mediaGraphAvailable());
    EXPECT_FALSE(fixture.engine().open(path("tone.mp3"), AudioDevice::MediaGraph));
    EXPECT_FALSE(fixture.engine().open(path("tone.wav"), AudioDevice::MediaGraph));
    EXPECT_TRUE(fixture.engine().open(path("tone.wav"), AudioDevice::Wave));
}

// The sound card path through SDL's dummy driver (no sound card here), and a
// driver that cannot open, where the show clock drives the music instead:
// either way the stream is pulled to its end.
TEST_F(AudioEngineFiles, TheSdlPlatformPlaysTheMusicToItsEndWithOrWithoutADevice) {
    ASSERT_TRUE(testing_support::writeBytes(
        path("short.wav"), testing_support::waveFile(testing_support::offsetTone(200), 44100, 2)));
    for (const char* driver : {"dummy", "no-such-driver"}) {
        SCOPED_TRACE(driver);
        setenv("SDL_AUDIODRIVER", driver, 1);
        SdlPlatform sdl;
        auto stream = sdl.audio().open(path("short.wav"), AudioDevice::Wave);
        ASSERT_TRUE(stream);
        stream->start();
        // Waits for the end, not for a time; the limit only keeps a fault
        // from hanging the test.
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!stream->ended() && std::chrono::steady_clock::now() < limit) {
            sdl.clock().sleepMs(10);
        }
        EXPECT_TRUE(stream->ended());
    }
    unsetenv("SDL_AUDIODRIVER");
}

}  // namespace
}  // namespace platform
