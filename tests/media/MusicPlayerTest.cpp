#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "media/MediaMessages.h"
#include "media/MusicPlayer.h"
#include "media/MusicPlayerTable.h"

namespace media {
namespace {

using platform::AudioDevice;

struct StreamState {
    bool started = false;
    bool ended = false;
    bool alive = true;
};

class FakeStream final : public platform::AudioStream {
  public:
    explicit FakeStream(std::shared_ptr<StreamState> state) : state_(std::move(state)) {}
    ~FakeStream() override { state_->alive = false; }
    void start() override { state_->started = true; }
    bool ended() const override { return state_->ended; }

  private:
    std::shared_ptr<StreamState> state_;
};

// Opens every file unless told not to, and remembers what was asked.
class FakeEngine final : public platform::AudioEngine {
  public:
    struct Opened {
        std::string path;
        AudioDevice device;
        std::shared_ptr<StreamState> state;
    };

    std::unique_ptr<platform::AudioStream> open(const std::string& path,
                                                AudioDevice device) override {
        opened.push_back({path, device, std::make_shared<StreamState>()});
        if (failOpen) {
            return nullptr;
        }
        return std::make_unique<FakeStream>(opened.back().state);
    }
    bool mediaGraphAvailable() const override { return true; }

    std::vector<Opened> opened;
    bool failOpen = false;
};

// Timers that run when the test ticks them, and a list of posted messages.
class FakeHost final : public MusicHost {
  public:
    void postMessage(const platform::Message& message) override { posted.push_back(message); }
    void setTimer(int timerId, platform::Millis periodMs, TimerProcedure procedure) override {
        timers[timerId] = std::move(procedure);
        periods[timerId] = periodMs;
        live.insert(timerId);
    }
    void killTimer(int timerId) override { live.erase(timerId); }

    void tick() {
        const std::set<int> due = live;
        for (int id : due) {
            timers[id](id);
        }
    }

    std::map<int, TimerProcedure> timers;
    std::map<int, platform::Millis> periods;
    std::set<int> live;
    std::vector<platform::Message> posted;
};

struct Fixture {
    MusicPlayerTable table;
    FakeHost host;
    FakeEngine engine;
};

TEST(MusicPlayer, PicksTheDeviceByExtensionAndTheMediaGraph) {
    struct Case {
        bool graph;
        int index;
        const char* name;
        MusicKind kind;  // MUSIC_KIND_NONE: nothing is opened
        AudioDevice device;
    };
    const Case cases[] = {
        {true, MUSIC_INDEX_ITEM, "/tmp/TMPA.WAV", MUSIC_KIND_GRAPH_WAVE, AudioDevice::MediaGraph},
        {true, MUSIC_INDEX_ITEM, "/tmp/song.Mid", MUSIC_KIND_GRAPH_MIDI, AudioDevice::MediaGraph},
        {true, MUSIC_INDEX_ITEM, "/tmp/song.mp3", MUSIC_KIND_MP3, AudioDevice::MediaGraph},
        {true, MUSIC_INDEX_FILM, "/tmp/film.wav", MUSIC_KIND_GRAPH_WAVE, AudioDevice::MediaGraph},
        {false, MUSIC_INDEX_ITEM, "/tmp/a.wav", MUSIC_KIND_WAVE, AudioDevice::Wave},
        {false, MUSIC_INDEX_ITEM, "/tmp/a.MID", MUSIC_KIND_MIDI, AudioDevice::Midi},
        // MP3 needs the graph; the film music needs it for everything.
        {false, MUSIC_INDEX_ITEM, "/tmp/a.mp3", MUSIC_KIND_NONE, {}},
        {false, MUSIC_INDEX_FILM, "/tmp/a.wav", MUSIC_KIND_NONE, {}},
        {false, MUSIC_INDEX_FILM, "/tmp/a.mid", MUSIC_KIND_NONE, {}},
        // No audio CD source exists here.
        {true, MUSIC_INDEX_ITEM, "/tmp/Track01.cda", MUSIC_KIND_NONE, {}},
        {true, MUSIC_INDEX_ITEM, "/tmp/a.ogg", MUSIC_KIND_NONE, {}},
        {true, MUSIC_INDEX_ITEM, "/tmp/noextension", MUSIC_KIND_NONE, {}},
        {true, MUSIC_INDEX_FILM, "", MUSIC_KIND_NONE, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        MusicPlayer player(f.table, f.host, f.engine, c.graph, c.index, MusicRepeat::On);
        player.play(c.name);
        EXPECT_EQ(player.kind(), c.kind);
        if (c.kind == MUSIC_KIND_NONE) {
            EXPECT_TRUE(f.engine.opened.empty());
            EXPECT_EQ(player.timerId(), 0);
            continue;
        }
        ASSERT_EQ(f.engine.opened.size(), 1u);
        EXPECT_EQ(f.engine.opened[0].path, c.name);
        EXPECT_EQ(f.engine.opened[0].device, c.device);
        EXPECT_TRUE(f.engine.opened[0].state->started);
        const int timer = c.index == MUSIC_INDEX_ITEM ? MUSIC_TIMER_ITEM : MUSIC_TIMER_FILM;
        EXPECT_EQ(player.timerId(), timer);
        EXPECT_EQ(f.host.periods[timer], MUSIC_POLL_MS);
        EXPECT_EQ(player.fileName(), c.name);
    }
}

TEST(MusicPlayer, AFileThatDoesNotOpenLeavesThePlayerIdleAndSilent) {
    Fixture f;
    MusicPlayer player(f.table, f.host, f.engine, true, MUSIC_INDEX_ITEM, MusicRepeat::On);
    f.engine.failOpen = true;
    player.play("/tmp/broken.mp3");
    EXPECT_EQ(player.kind(), MUSIC_KIND_NONE);
    EXPECT_EQ(player.timerId(), 0);
    EXPECT_TRUE(f.host.live.empty());
    EXPECT_TRUE(f.host.posted.empty());
}

TEST(MusicPlayer, TheEndOfTheFileRestartsItThroughTheWindow) {
    Fixture f;
    MusicPlayer player(f.table, f.host, f.engine, true, MUSIC_INDEX_FILM, MusicRepeat::On);
    player.play("/tmp/film.wav");
    f.host.tick();
    EXPECT_TRUE(f.host.posted.empty()) << "still playing";

    f.engine.opened[0].state->ended = true;
    f.host.tick();
    EXPECT_TRUE(f.host.live.empty()) << "the poll stops at the end";
    ASSERT_EQ(f.host.posted.size(), 1u);
    const platform::Message restart = f.host.posted[0];
    EXPECT_EQ(restart.id, MSG_MUSIC_RESTART);
    EXPECT_EQ(restart.lParam, reinterpret_cast<std::intptr_t>(&player));
    EXPECT_NE(restart.wParam, 0u);
    f.host.tick();
    EXPECT_EQ(f.host.posted.size(), 1u);

    EXPECT_TRUE(f.table.handleRestart(restart));
    ASSERT_EQ(f.engine.opened.size(), 2u);
    EXPECT_FALSE(f.engine.opened[0].state->alive);
    EXPECT_EQ(f.engine.opened[1].path, "/tmp/film.wav");
    EXPECT_TRUE(f.engine.opened[1].state->started);
    EXPECT_EQ(player.kind(), MUSIC_KIND_GRAPH_WAVE);
    EXPECT_EQ(f.host.live, std::set<int>{MUSIC_TIMER_FILM});

    EXPECT_FALSE(f.table.handleRestart({platform::WM_PAINT, 0, 0})) << "not a restart";
}

TEST(MusicPlayer, ARestartThatCrossedAStopOrAnotherFileIsDropped) {
    enum class Between { Stop, OtherFile, SecondDelivery, PlayerGone };
    for (Between between :
         {Between::Stop, Between::OtherFile, Between::SecondDelivery, Between::PlayerGone}) {
        SCOPED_TRACE(static_cast<int>(between));
        Fixture f;
        auto player = std::make_unique<MusicPlayer>(f.table, f.host, f.engine, true,
                                                    MUSIC_INDEX_ITEM, MusicRepeat::On);
        player->play("/tmp/first.wav");
        f.engine.opened[0].state->ended = true;
        f.host.tick();
        ASSERT_EQ(f.host.posted.size(), 1u);
        std::size_t opens = 1;
        switch (between) {
            case Between::Stop:
                player->stop();
                break;
            case Between::OtherFile:
                player->play("/tmp/second.mp3");
                opens = 2;
                break;
            case Between::SecondDelivery:
                EXPECT_TRUE(f.table.handleRestart(f.host.posted[0]));
                opens = 2;
                break;
            case Between::PlayerGone:
                player.reset();
                break;
        }
        EXPECT_TRUE(f.table.handleRestart(f.host.posted[0]));
        EXPECT_EQ(f.engine.opened.size(), opens);
        if (player) {
            EXPECT_EQ(player->kind() == MUSIC_KIND_NONE, between == Between::Stop);
        }
    }
}

TEST(MusicPlayer, NamesTooLongForTheRestartBufferPlayOnceAndAreNotOverflowed) {
    const std::string folder = "/tmp/" + std::string(240, 'd') + "/";
    struct Case {
        std::string name;
        bool plays;
        bool restarts;
    };
    const Case cases[] = {
        {folder + std::string(259 - folder.size() - 4, 'n') + ".wav", true, true},
        {folder + std::string(260 - folder.size() - 4, 'n') + ".wav", true, false},
        {folder + std::string(200, 'n') + ".wav", true, false},
        {folder + std::string(512 - folder.size() - 4, 'n') + ".wav", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.size());
        Fixture f;
        MusicPlayer player(f.table, f.host, f.engine, true, MUSIC_INDEX_ITEM, MusicRepeat::On);
        player.play(c.name);
        ASSERT_EQ(f.engine.opened.size(), c.plays ? 1u : 0u);
        if (!c.plays) {
            continue;
        }
        f.engine.opened[0].state->ended = true;
        f.host.tick();
        ASSERT_EQ(f.host.posted.size(), 1u);
        f.table.handleRestart(f.host.posted[0]);
        ASSERT_EQ(f.engine.opened.size(), c.restarts ? 2u : 1u);
        if (c.restarts) {
            EXPECT_EQ(f.engine.opened[1].path, c.name);
        }
    }
}

TEST(MusicPlayer, StopSilencesAndForgetsWhateverPlays) {
    Fixture f;
    MusicPlayer player(f.table, f.host, f.engine, true, MUSIC_INDEX_ITEM, MusicRepeat::On);
    player.stop();  // a stop cue while nothing plays does nothing
    EXPECT_EQ(player.kind(), MUSIC_KIND_NONE);

    player.play("/tmp/a.mp3");
    player.stop();
    EXPECT_EQ(player.kind(), MUSIC_KIND_NONE);
    EXPECT_EQ(player.timerId(), 0);
    EXPECT_TRUE(f.host.live.empty());
    EXPECT_FALSE(f.engine.opened[0].state->alive);

    // A new file replaces the old one.
    player.play("/tmp/b.mp3");
    player.play("/tmp/c.mid");
    EXPECT_FALSE(f.engine.opened[1].state->alive);
    EXPECT_TRUE(f.engine.opened[2].state->alive);
    EXPECT_EQ(player.kind(), MUSIC_KIND_GRAPH_MIDI);
}

TEST(MusicPlayer, WithoutRepeatTheEndIsQuiet) {
    Fixture f;
    MusicPlayer player(f.table, f.host, f.engine, true, MUSIC_INDEX_ITEM, MusicRepeat::Off);
    player.play("/tmp/a.wav");
    f.engine.opened[0].state->ended = true;
    f.host.tick();
    EXPECT_TRUE(f.host.live.empty());
    EXPECT_TRUE(f.host.posted.empty());
}

TEST(MusicPlayer, TheTwoPlayersAreIndependent) {
    Fixture f;
    auto item = std::make_unique<MusicPlayer>(f.table, f.host, f.engine, true, MUSIC_INDEX_ITEM,
                                              MusicRepeat::On);
    MusicPlayer film(f.table, f.host, f.engine, true, MUSIC_INDEX_FILM, MusicRepeat::On);
    EXPECT_EQ(f.table.player(MUSIC_INDEX_ITEM), item.get());
    EXPECT_EQ(f.table.player(MUSIC_INDEX_FILM), &film);
    film.play("/tmp/film.wav");
    item->play("/tmp/item.mp3");
    EXPECT_EQ(f.host.live, (std::set<int>{MUSIC_TIMER_ITEM, MUSIC_TIMER_FILM}));

    // Each timer polls its own player.
    f.engine.opened[1].state->ended = true;
    f.host.tick();
    ASSERT_EQ(f.host.posted.size(), 1u);
    EXPECT_EQ(f.host.posted[0].lParam, reinterpret_cast<std::intptr_t>(item.get()));
    EXPECT_EQ(f.host.live, std::set<int>{MUSIC_TIMER_FILM});

    item->stop();
    EXPECT_EQ(film.kind(), MUSIC_KIND_GRAPH_WAVE);
    EXPECT_TRUE(f.engine.opened[0].state->alive);
    item.reset();
    EXPECT_EQ(f.table.player(MUSIC_INDEX_ITEM), nullptr);
    EXPECT_EQ(f.table.player(MUSIC_INDEX_FILM), &film);
}

}  // namespace
}  // namespace media
