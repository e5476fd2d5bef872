#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "HeadlessViewer.h"
#include "film/CaToWav.h"
#include "film/lpc/SpeechStreams.h"
#include "platform/TempFiles.h"
#include "platform/audio/FfmpegAudioSource.h"
#include "support/AudioFiles.h"
#include "support/FilmPackages.h"
#include "support/RecordingDialogs.h"

namespace playback {
namespace {

using namespace platform;
namespace lpc = film::lpc;

// A solid grey JPEG: the film needs photos, the test listens to its music.
std::string writeGrey(const std::string& directory, const std::string& name) {
    const std::string path = directory + "/" + name;
    test::writeJpeg(path, std::vector<std::uint8_t>(64 * 48 * 3, 128), 64, 48);
    return path;
}

// What the mixer makes of a wave file played alone: the file through the
// same decoder and resampler, scaled to 16 bits as the mixer scales it.
std::vector<std::int16_t> mixedAlone(const std::string& wave) {
    auto source = FfmpegAudioSource::open(wave, FfmpegAudioSource::Container::WaveOnly);
    EXPECT_TRUE(source) << source.error();
    std::vector<std::int16_t> out;
    if (!source) {
        return out;
    }
    std::vector<float> block(4096 * AUDIO_MIX_CHANNELS);
    std::size_t got;
    while ((got = (*source)->read(block.data(), 4096)) > 0) {
        for (std::size_t i = 0; i < got * AUDIO_MIX_CHANNELS; ++i) {
            out.push_back(static_cast<std::int16_t>(
                std::lrint(std::clamp(block[i], -1.0f, 1.0f) * 32767.0f)));
        }
    }
    return out;
}

TEST(ShowCaMusic, AnItemsCompressedMusicPlaysAsItsDecodedWave) {
    auto dir = TempDirectory::create();
    ASSERT_TRUE(dir);
    // Both rates, then comfort noise: a SID frame and untransmitted frames.
    std::vector<lpc::test::Frame> frames = lpc::test::randomFrames(lpc::FrameType::Rate63, 40, 5);
    for (auto& f : lpc::test::randomFrames(lpc::FrameType::Rate53, 16, 6)) {
        frames.push_back(f);
    }
    frames.push_back(lpc::test::packSid(0x2468ac, 20));
    for (int i = 0; i < 7; ++i) {
        frames.push_back(lpc::test::untransmittedFrame());
    }
    const std::string ca = dir->path() + "/voice.ca";
    ASSERT_TRUE(testing_support::writeBytes(ca, lpc::test::packCa(frames)));

    // The reference: the same bytes decoded as the loader decodes them (a
    // fresh comfort-noise ring, as for a film's first compressed file).
    const std::string decoded = dir->path() + "/voice.wav";
    testing_support::RecordingDialogs dialogs;
    lpc::NoiseRing ring;
    ASSERT_EQ(film::decodeCaToWav(dialogs, ring, ca, 0, std::filesystem::file_size(ca), decoded),
              1);
    const std::vector<std::int16_t> expected = mixedAlone(decoded);
    ASSERT_GT(expected.size(), 44100u * 2);  // 64 frames of 30 ms, as 44.1 kHz stereo

    // Item 2's cue plays the .ca; the step that shows it runs at 2000 ms.
    // Silent film music starts the mixer with the show, so the recording's
    // clock is the show's.
    const std::string silence = dir->path() + "/silence.wav";
    ASSERT_TRUE(testing_support::writeBytes(
        silence, testing_support::waveFile(std::vector<std::int16_t>(44100 * 2, 0), 44100, 2)));
    film::Film film;
    film.setMusicPath(silence);
    film.setLoop(0);
    film.setPlayMode(film::PLAYMODE_TIMED);
    film::FilmItem first = testing_support::photoItem(writeGrey(dir->path(), "a.jpg"), 1);
    first.transitionTime = 500;
    film::FilmItem second = testing_support::photoItem(writeGrey(dir->path(), "b.jpg"), 3);
    second.transitionTime = 500;
    second.musicCue = 3;
    second.music = testing_support::localRef(ca);
    film.addItem(first);
    film.addItem(second);
    const std::string package = dir->path() + "/show.flz";
    testing_support::writePackage(film, package);

    std::mutex mutex;
    std::vector<std::int16_t> recorded;
    HeadlessPlatform::Options options;
    options.clientSize = {800, 600};
    options.audioCapture = [&](const std::int16_t* samples, std::size_t count) {
        std::lock_guard lock(mutex);
        recorded.insert(recorded.end(), samples, samples + count * AUDIO_MIX_CHANNELS);
    };
    HeadlessPlatform platform(options);
    ASSERT_EQ(test::playOnHeadless(platform, package), 0);
    // The 5.3 kbit/s frames sit in 24-byte slots: one notice for the file.
    ASSERT_EQ(platform.messageBoxes().size(), 1u);
    EXPECT_EQ(platform.messageBoxes()[0].text, "Decode size unmatch");

    std::lock_guard lock(mutex);
    // The music starts at a mixing block of the step; find where and
    // compare the whole first play sample for sample. The recording begins
    // when the film music opens the mixer, a block or two into the show.
    const std::size_t stepAt = 2000 * 441 / 10 * AUDIO_MIX_CHANNELS;
    const std::size_t earliest = stepAt - 50 * 441 / 10 * AUDIO_MIX_CHANNELS;
    const std::size_t latest = stepAt + 100 * 441 / 10 * AUDIO_MIX_CHANNELS;
    ASSERT_GT(recorded.size(), latest + expected.size());
    std::size_t start = 0;
    for (std::size_t at = earliest; at <= latest && start == 0; at += AUDIO_MIX_CHANNELS) {
        if (std::equal(expected.begin(), expected.end(),
                       recorded.begin() + static_cast<std::ptrdiff_t>(at))) {
            start = at;
        }
    }
    ASSERT_NE(start, 0u) << "the decoded music is not in the show's sound near 2000 ms";
    // Nothing played before the cue.
    EXPECT_TRUE(std::all_of(recorded.begin(), recorded.begin() + static_cast<std::ptrdiff_t>(start),
                            [](std::int16_t s) { return s == 0; }));
    RecordProperty("music_starts_at_ms", static_cast<int>(start / AUDIO_MIX_CHANNELS / 44.1));
}

}  // namespace
}  // namespace playback
