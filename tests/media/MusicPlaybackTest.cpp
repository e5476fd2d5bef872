#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <vector>

#include "media/ClockMusicHost.h"
#include "media/MediaMessages.h"
#include "media/MusicPlayer.h"
#include "media/MusicPlayerTable.h"
#include "platform/headless/HeadlessPlatform.h"
#include "support/AudioFiles.h"
#include "support/ScratchDirectory.h"

namespace media {
namespace {

// The music players on the headless platform with the real engine: the sink
// mixes on the virtual clock and records what it mixed; the test thread is
// the window thread and handles the restart messages until the show's end.
class HeadlessShow {
  public:
    HeadlessShow() : platform_(options(this)), host_(platform_.messages(), platform_.clock()) {}

    platform::HeadlessPlatform& platform() { return platform_; }
    MusicPlayerTable& table() { return table_; }
    MusicHost& host() { return host_; }

    // Handles messages until the clock reaches endMs; counts the restarts.
    int runUntil(platform::Millis endMs) {
        platform_.scriptMessage(endMs, {platform::WM_QUIT, 0, 0});
        int restarts = 0;
        platform::Message message;
        while (platform_.messages().getMessage(message)) {
            if (table_.handleRestart(message)) {
                ++restarts;
            }
        }
        return restarts;
    }

    std::vector<std::int16_t> recorded() {
        std::lock_guard lock(mutex_);
        return recorded_;
    }

  private:
    static platform::HeadlessPlatform::Options options(HeadlessShow* self) {
        platform::HeadlessPlatform::Options options;
        options.audioCapture = [self](const std::int16_t* samples, std::size_t frames) {
            std::lock_guard lock(self->mutex_);
            self->recorded_.insert(self->recorded_.end(), samples, samples + frames * 2);
        };
        return options;
    }

    std::mutex mutex_;
    std::vector<std::int16_t> recorded_;  // guarded by mutex_
    platform::HeadlessPlatform platform_;
    ClockMusicHost host_;
    MusicPlayerTable table_;
};

TEST(MusicPlayback, ThreeSecondFilmMusicRestartsSeamlesslyThroughATenSecondShow) {
    testing_support::ScratchDirectory scratch;
    ASSERT_TRUE(scratch.ok());
    const auto tone = testing_support::offsetTone(3000);
    const std::string path = scratch.path("film.wav");
    ASSERT_TRUE(testing_support::writeBytes(path, testing_support::waveFile(tone, 44100, 2)));

    HeadlessShow show;
    platform::VirtualClock::Participant windowThread(show.platform().virtualClock());
    int restarts = 0;
    {
        MusicPlayer film(show.table(), show.host(), show.platform().audio(), true, MUSIC_INDEX_FILM,
                         MusicRepeat::On);
        film.play(path);
        ASSERT_EQ(film.kind(), MUSIC_KIND_GRAPH_WAVE);
        restarts = show.runUntil(10'000);
        film.stop();
    }
    EXPECT_EQ(restarts, 3);

    // The recording is the file again and again, each time whole and in
    // order, with only a few milliseconds of silence where it restarts.
    const std::vector<std::int16_t> pcm = show.recorded();
    const std::size_t fileFrames = tone.size() / 2;
    std::size_t at = 0;
    int plays = 0;
    std::size_t longestGap = 0;
    while (at < pcm.size() / 2) {
        std::size_t gap = 0;
        while (at < pcm.size() / 2 && pcm[2 * at] == 0) {
            ++gap;
            ++at;
        }
        if (at == pcm.size() / 2) {
            break;
        }
        if (plays > 0) {
            longestGap = std::max(longestGap, gap);
        }
        ++plays;
        std::size_t i = 0;
        for (; i < fileFrames && at < pcm.size() / 2; ++i, ++at) {
            ASSERT_LE(std::abs(pcm[2 * at] - tone[2 * i]), 1) << "play " << plays << " frame " << i;
            ASSERT_LE(std::abs(pcm[2 * at + 1] - tone[2 * i + 1]), 1);
        }
        if (at < pcm.size() / 2) {
            EXPECT_EQ(i, fileFrames) << "play " << plays << " was cut short";
        }
    }
    EXPECT_EQ(plays, 4);  // three whole plays and the start of a fourth
    EXPECT_LE(longestGap, 44100u * 15 / 1000) << "gap of " << longestGap << " frames";
    RecordProperty("longest_restart_gap_frames", static_cast<int>(longestGap));
}

TEST(MusicPlayback, FilmAndItemMusicPlayAtOnceAndRestartApart) {
    testing_support::ScratchDirectory scratch;
    ASSERT_TRUE(scratch.ok());
    const std::string filmPath = scratch.path("film.wav");
    const std::string itemPath = scratch.path("item.MP3");
    const std::string cuePath = scratch.path("cue.mid");
    ASSERT_TRUE(testing_support::writeBytes(
        filmPath, testing_support::waveFile(testing_support::offsetTone(2000), 44100, 2)));
    if (!testing_support::runFfmpeg("-f lavfi -i sine=frequency=660:duration=0.5 -c:a libmp3lame " +
                                    itemPath)) {
        GTEST_SKIP() << "the ffmpeg program cannot make an MP3 file";
    }
    ASSERT_TRUE(testing_support::writeBytes(
        cuePath, testing_support::midiFile({{67, 110, 240}, {72, 110, 240}})));

    HeadlessShow show;
    platform::VirtualClock::Participant windowThread(show.platform().virtualClock());
    MusicPlayer item(show.table(), show.host(), show.platform().audio(), true, MUSIC_INDEX_ITEM,
                     MusicRepeat::On);
    MusicPlayer film(show.table(), show.host(), show.platform().audio(), true, MUSIC_INDEX_FILM,
                     MusicRepeat::On);
    film.play(filmPath);
    item.play(itemPath);
    ASSERT_EQ(item.kind(), MUSIC_KIND_MP3);
    // 0.5 s of MP3 (a frame longer, padded) restarts three times in 1.9 s.
    EXPECT_EQ(show.runUntil(1'900), 3);
    EXPECT_EQ(film.kind(), MUSIC_KIND_GRAPH_WAVE);
    EXPECT_EQ(item.kind(), MUSIC_KIND_MP3);

    // The film's tone never goes above 12000 on the left; the MP3's sine
    // added to it does.
    const auto pcm = show.recorded();
    ASSERT_GT(pcm.size(), 44100u);
    std::int16_t loudest = 0;
    for (std::size_t i = 0; i < 22050; ++i) {
        loudest = std::max(loudest, pcm[2 * i]);
    }
    EXPECT_GT(loudest, 13000);

    // A MIDI cue replaces the MP3; the film music plays on. The 0.5 s cue
    // restarts at about 2.4 s, the film music at 2 s.
    item.play(cuePath);
    EXPECT_EQ(item.kind(), MUSIC_KIND_GRAPH_MIDI);
    EXPECT_EQ(show.runUntil(2'700), 2);
    item.stop();
    film.stop();
}

}  // namespace
}  // namespace media
