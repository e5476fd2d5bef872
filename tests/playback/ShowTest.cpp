#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "HeadlessViewer.h"
#include "TestColours.h"
#include "platform/TempFiles.h"
#include "platform/Trace.h"
#include "platform/headless/HeadlessPlatform.h"
#include "playback/PlayerWindow.h"
#include "shell/Viewer.h"
#include "support/AudioFiles.h"
#include "support/FilmPackages.h"

namespace playback {
namespace {

using namespace platform;

using namespace test;

// An item whose photo no decoder accepts; it shows none of the colours.
constexpr Colour BROKEN = OTHER;

// A solid-colour JPEG; BROKEN writes bytes no decoder accepts.
std::string writePhoto(const std::string& directory, const std::string& name, Colour colour,
                       int width = 64, int height = 48) {
    const std::string path = directory + "/" + name;
    std::ofstream out(path, std::ios::binary);
    if (colour == BROKEN) {
        out << std::string(300, 'x');
        return path;
    }
    const unsigned char rgb[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = rgb[colour][i % 3];
    }
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    EXPECT_EQ(tjCompress2(handle, pixels.data(), width, 0, height, TJPF_RGB, &jpeg, &size,
                          TJSAMP_444, 95, 0),
              0);
    out.write(reinterpret_cast<const char*>(jpeg), static_cast<std::streamsize>(size));
    tjFree(jpeg);
    tjDestroy(handle);
    return path;
}

struct ShowItem {
    ShowItem(Colour colour, int duration, int transitionTime,
             std::vector<film::TextTitle> title = {})
        : colour(colour),
          duration(duration),
          transitionTime(transitionTime),
          title(std::move(title)) {}
    Colour colour;
    int duration;
    int transitionTime;
    std::vector<film::TextTitle> title;
};

struct Scripted {
    Millis at;
    Message message;
};

// A burst of frames: one step's transition (or cut) as it was presented.
struct Burst {
    Millis start = 0;
    Colour shown = BROKEN;  // what the last frame of the burst showed
};

struct ShowRecord {
    int exitCode = -1;
    Millis end = 0;
    std::vector<PresentedFrame> frames;
    std::vector<Burst> bursts;
    std::vector<std::pair<Millis, std::string>> trace;
};

class ShowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = TempDirectory::create();
        ASSERT_TRUE(dir_);
    }

    ShowRecord play(const std::vector<ShowItem>& items, int loop, int playMode,
                    const std::vector<Scripted>& script, Size client = {800, 600},
                    const std::function<void(film::Film&)>& edit = {},
                    PcmConsumer audioCapture = {}) {
        film::Film film;
        film.setLoop(loop);
        film.setPlayMode(playMode);
        int n = 0;
        for (const ShowItem& wanted : items) {
            film::FilmItem item = testing_support::photoItem(
                writePhoto(dir_->path(), "p" + std::to_string(++n) + ".jpg", wanted.colour),
                wanted.duration);
            item.transitionTime = wanted.transitionTime;
            item.effect = 0;
            item.title = wanted.title;
            film.addItem(item);
        }
        if (edit) {
            edit(film);
        }
        const std::string package = dir_->path() + "/show.flz";
        testing_support::writePackage(film, package);

        HeadlessPlatform::Options options;
        options.clientSize = client;
        options.audioCapture = std::move(audioCapture);
        HeadlessPlatform platform(options);
        for (const Scripted& s : script) {
            platform.scriptMessage(s.at, s.message);
        }
        ShowRecord record;
        std::mutex traceMutex;
        TraceSink previous = setTraceSink([&](std::string_view line) {
            std::lock_guard lock(traceMutex);
            record.trace.emplace_back(platform.clock().nowMs(), std::string(line));
        });
        record.exitCode = test::playOnHeadless(platform, package);
        setTraceSink(previous);
        record.end = platform.clock().nowMs();
        for (const RecordedMessageBox& box : platform.messageBoxes()) {
            ADD_FAILURE() << "message box: " << box.text;
        }
        if (platform.window() == nullptr) {
            ADD_FAILURE() << "no window";
            return record;
        }
        for (const PresentedFrame& frame : platform.window()->presentedFrames()) {
            if (frame.width != client.width || frame.height != client.height) {
                continue;  // the loading dialog and the black window
            }
            record.frames.push_back(frame);
            if (record.bursts.empty() || frame.time - lastTime_ > 300) {
                record.bursts.push_back({frame.time, BROKEN});
            }
            record.bursts.back().shown = colourOf(frame.centre);
            lastTime_ = frame.time;
        }
        return record;
    }

    static Scripted key(Millis at, int virtualKey) {
        return {at, {WM_KEYDOWN, static_cast<std::uintptr_t>(virtualKey), 1}};
    }
    static Scripted click(Millis at) { return {at, {WM_LBUTTONUP, 0, packPoint(10, 10)}}; }

    std::optional<TempDirectory> dir_;
    Millis lastTime_ = 0;
};

struct ShowCase {
    const char* name;
    std::vector<ShowItem> items;
    int loop;
    int playMode;
    std::vector<Scripted> script;
    // What each step showed at its end, and when each step's frames began.
    std::vector<Colour> shown;
    std::vector<Millis> burstStarts;  // empty: not checked
    Millis end;                       // when the viewer ended
};

TEST_F(ShowTest, StepsKeysAndEndsAsTheFilmSays) {
    using film::PLAYMODE_MANUAL;
    using film::PLAYMODE_TIMED;
    const std::vector<ShowCase> cases = {
        // First step after 500 ms; each item stays title + duration + transition.
        {"timed film, 5 s and 2000 ms per item",
         {{RED, 5, 2000}, {GREEN, 5, 2000}},
         0,
         PLAYMODE_TIMED,
         {},
         {RED, GREEN},
         {500, 7500},
         14500},
        {"one-item looping film repeats",
         {{BLUE, 1, 500}},
         1,
         PLAYMODE_TIMED,
         {key(4900, VK_ESCAPE)},
         {BLUE, BLUE, BLUE},
         {500, 2000, 3500},
         4900},
        {"a cut shows the picture at once",
         {{RED, 2, 0}, {GREEN, 2, 0}},
         0,
         PLAYMODE_TIMED,
         {},
         {RED, GREEN},
         {500, 2500},
         4500},
        {"Page Down in timed mode does nothing",
         {{RED, 5, 1000}, {GREEN, 5, 1000}},
         0,
         PLAYMODE_TIMED,
         {key(2000, VK_NEXT), key(3000, VK_NEXT)},
         {RED, GREEN},
         {500, 6500},
         12500},
        {"manual mode waits for a click or Page Down",
         {{RED, 1, 500}, {GREEN, 1, 500}, {BLUE, 1, 500}},
         0,
         PLAYMODE_MANUAL,
         {click(4000), key(9000, VK_NEXT), key(12000, VK_NEXT)},
         {RED, GREEN, BLUE},
         {0, 4000, 9000},
         12000},
        {"Page Up on item 2 of a non-looping film shows item 1 again",
         {{RED, 1, 500}, {GREEN, 1, 500}, {BLUE, 1, 500}},
         0,
         PLAYMODE_MANUAL,
         {click(2000), key(4000, VK_PRIOR), key(6000, VK_ESCAPE)},
         {RED, GREEN, RED},
         {0, 2000, 4000},
         6000},
        {"Page Up on item 1 of a non-looping film does nothing",
         {{RED, 1, 500}, {GREEN, 1, 500}},
         0,
         PLAYMODE_MANUAL,
         {key(2000, VK_PRIOR), key(4000, VK_ESCAPE)},
         {RED},
         {0},
         4000},
        {"Page Up on item 1 of a looping film goes to the last item",
         {{RED, 1, 500}, {GREEN, 1, 500}, {BLUE, 1, 500}},
         1,
         PLAYMODE_MANUAL,
         {key(2000, VK_PRIOR), key(4000, VK_ESCAPE)},
         {RED, BLUE},
         {0, 2000},
         4000},
        {"a photo that fails to load keeps the previous frame",
         {{RED, 1, 500}, {BROKEN, 1, 500}, {GREEN, 1, 500}},
         0,
         PLAYMODE_MANUAL,
         {click(2000), click(4000), key(6000, VK_ESCAPE)},
         {RED, GREEN},
         {0, 4000},
         6000},
    };
    for (const ShowCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ShowRecord record = play(c.items, c.loop, c.playMode, c.script);
        EXPECT_EQ(record.exitCode, 0);
        EXPECT_EQ(record.end, c.end);
        std::vector<Colour> shown;
        std::vector<Millis> starts;
        for (const Burst& burst : record.bursts) {
            shown.push_back(burst.shown);
            starts.push_back(burst.start);
        }
        EXPECT_EQ(shown, c.shown);
        if (!c.burstStarts.empty()) {
            EXPECT_EQ(starts, c.burstStarts);
        }
    }
}

TEST_F(ShowTest, PreparesTheNextItemDuringTheCurrentOneAndNeverDuringATransition) {
    const ShowRecord record =
        play({{RED, 2, 1000}, {GREEN, 2, 1000}, {BLUE, 2, 1000}}, 0, film::PLAYMODE_TIMED, {});
    bool inTransition = false;
    std::vector<std::pair<Millis, int>> prepared;
    for (const auto& [time, line] : record.trace) {
        if (line == "transition begins") {
            inTransition = true;
        } else if (line == "transition ends") {
            inTransition = false;
        } else if (line.rfind("prepared item ", 0) == 0) {
            EXPECT_FALSE(inTransition) << line << " at " << time;
            prepared.emplace_back(time, std::atoi(line.c_str() + 14));
        }
    }
    // Item n+1 is ready before the step that shows it: item 1 at once, the
    // others right after the transition to the item before them.
    ASSERT_GE(prepared.size(), 3u);
    EXPECT_EQ(prepared[0], (std::pair<Millis, int>{0, 1}));
    EXPECT_EQ(prepared[1].second, 2);
    EXPECT_GE(prepared[1].first, 1500u);
    EXPECT_LT(prepared[1].first, 3500u);
    EXPECT_EQ(prepared[2].second, 3);
    EXPECT_GE(prepared[2].first, 4500u);
    EXPECT_LT(prepared[2].first, 6500u);
}

TEST_F(ShowTest, ATitledItemDrawsItsTextDuringTheTitlePhase) {
    film::TextTitle text;
    text.number = 1;
    text.animation = 4;
    text.text = "Photoreel";
    text.style.setPosition(100, 250);
    text.style.setFont(-80, 700, false, 0, "DejaVu Sans");
    text.style.setColour(0x0000FFFF);  // yellow on blue
    text.style.setLineSpacing(100);
    const ShowRecord record = play({{BLUE, 1, 500, {text}}}, 0, film::PLAYMODE_TIMED, {});
    Millis transitionEnd = 0;
    for (const auto& [time, line] : record.trace) {
        if (line == "transition ends") {
            transitionEnd = time;
        }
    }
    ASSERT_GT(transitionEnd, 0u);
    std::uint64_t plain = 0;
    int titleFrames = 0, withText = 0;
    for (const PresentedFrame& frame : record.frames) {
        if (frame.time <= transitionEnd) {
            plain = frame.hash;  // the picture alone
        } else if (frame.time < transitionEnd + 3000) {
            ++titleFrames;
            withText += frame.hash != plain ? 1 : 0;
        }
    }
    EXPECT_GE(titleFrames, 3000 / 55 - 1);  // paced like a transition
    EXPECT_GT(withText, titleFrames / 3);
    // The step at 500 counts transition, title phase and duration.
    EXPECT_EQ(record.end, 500u + 500 + 3000 + 1000);
}

// A stereo wave file whose every sample is value.
std::string writeLevel(const std::string& directory, const std::string& name, std::int16_t value,
                       int milliseconds) {
    const std::string path = directory + "/" + name;
    const std::vector<std::int16_t> samples(static_cast<std::size_t>(milliseconds) * 441 / 10 * 2,
                                            value);
    EXPECT_TRUE(testing_support::writeBytes(path, testing_support::waveFile(samples, 44100, 2)));
    return path;
}

TEST_F(ShowTest, FilmMusicPlaysFromTheStartAndAnItemCueMixesItsMusicIn) {
    const std::string filmMusic = writeLevel(dir_->path(), "film.wav", 1000, 700);
    const std::string itemMusic = writeLevel(dir_->path(), "item.wav", 3000, 700);
    std::mutex mutex;
    std::vector<std::int16_t> left;  // left channel as mixed
    const ShowRecord record = play(
        {{RED, 2, 500}, {GREEN, 2, 500}}, 0, film::PLAYMODE_TIMED, {}, {800, 600},
        [&](film::Film& film) {
            film.setMusicPath(filmMusic);
            film::FilmItem second = film.getItem(2);
            second.musicCue = film::MUSIC_CD_TRACK + 1;
            second.music = testing_support::localRef(itemMusic);
            film.updateItem(2, second);
        },
        [&](const std::int16_t* samples, std::size_t frames) {
            std::lock_guard lock(mutex);
            for (std::size_t i = 0; i < frames; ++i) {
                left.push_back(samples[i * 2]);
            }
        });
    EXPECT_EQ(record.exitCode, 0);
    std::lock_guard lock(mutex);
    // The film music repeats (a short file plays again and again); the item
    // music joins it at the second step, 3000 ms after the first.
    auto levelAt = [&](int ms) {
        const std::size_t i = static_cast<std::size_t>(ms) * 441 / 10;
        return i < left.size() ? left[i] : std::int16_t{-1};
    };
    EXPECT_NEAR(levelAt(200), 1000, 2);
    EXPECT_NEAR(levelAt(1500), 1000, 2);
    EXPECT_NEAR(levelAt(3200), 4000, 4);
}

}  // namespace
}  // namespace playback
