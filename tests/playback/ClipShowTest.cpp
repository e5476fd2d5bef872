#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "HeadlessViewer.h"
#include "TestColours.h"
#include "platform/TempFiles.h"
#include "platform/Trace.h"
#include "platform/headless/HeadlessPlatform.h"
#include "playback/PlayerWindow.h"
#include "shell/Viewer.h"
#include "support/ClipFiles.h"
#include "support/FilmPackages.h"

namespace playback {
namespace {

using namespace platform;
using namespace testing_support;
using namespace test;

// Stage 800 x 600; a 320 x 240 clip shows at (240, 180) - (560, 420).
constexpr int kClipLeft = 240, kClipTop = 180, kClipW = 320, kClipH = 240;

// What one presented frame showed inside the clip rectangle.
struct ClipFrame {
    Millis time = 0;
    std::uint64_t clipHash = 0;  // over the clip rectangle's rows
    Colour centre = OTHER;
};

struct ClipShow {
    int exitCode = -1;
    std::vector<ClipFrame> frames;
    std::vector<std::pair<Millis, std::string>> trace;
    std::vector<RecordedMessageBox> boxes;
    std::size_t loudFrames = 0;  // mixed stereo frames with sound in them
    Millis firstSound = 0;

    Millis traced(const std::string& line, int occurrence = 1) const {
        for (const auto& [time, text] : trace) {
            if (text == line && --occurrence == 0) {
                return time;
            }
        }
        return 0;
    }
};

struct Scripted {
    Millis at;
    Message message;
};

class ClipShowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!haveFfmpeg()) {
            GTEST_SKIP() << "the ffmpeg command makes the test clips";
        }
        dir_ = TempDirectory::create();
        ASSERT_TRUE(dir_);
    }

    std::string still(const std::string& name, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        return writeFile(dir_->path() + "/" + name, solidJpeg(r, g, b));
    }

    // Red photo (1 s, cut), the clip (500 ms transition, no extra time),
    // white photo (500 ms transition); timed, no loop.
    ClipShow play(const std::string& clip, const std::vector<Scripted>& script = {},
                  bool mediaBackend = true) {
        film::Film film;
        film.setLoop(0);
        film.setPlayMode(film::PLAYMODE_TIMED);
        film::FilmItem red = photoItem(still("red.jpg", 255, 0, 0), 1);
        red.transitionTime = 0;
        film.addItem(red);
        film::FilmItem item;
        item.type = film::ITEM_CLIP;
        item.clip = localRef(clip);
        item.firstFrameStill = localRef(still("first.jpg", 0, 255, 0));
        item.lastFrameStill = localRef(still("last.jpg", 0, 0, 255));
        item.storedWidth = kClipW;
        item.storedHeight = kClipH;
        item.duration = 0;
        item.transitionTime = 500;
        film.addItem(item);
        film::FilmItem white = photoItem(still("white.jpg", 255, 255, 255), 1);
        white.transitionTime = 500;
        film.addItem(white);
        const std::string package = dir_->path() + "/clips.flz";
        writePackage(film, package);

        ClipShow show;
        std::mutex mutex;
        HeadlessPlatform::Options options;
        options.clientSize = {800, 600};
        options.mediaBackend = mediaBackend;
        options.frameSink = [&](const FrameView& frame, int, int, Millis time) {
            if (frame.width != 800 || frame.height != 600) {
                return;
            }
            ClipFrame record{time, 1469598103934665603ull, OTHER};
            for (int y = kClipTop; y < kClipTop + kClipH; ++y) {
                const std::uint8_t* row =
                    frame.pixels + (static_cast<std::size_t>(599 - y) * 800 + kClipLeft) * 4;
                for (int i = 0; i < kClipW * 4; ++i) {
                    record.clipHash = (record.clipHash ^ row[i]) * 1099511628211ull;
                }
            }
            record.centre =
                colourOf(frame.pixels + (static_cast<std::size_t>(299) * 800 + 400) * 4);
            std::lock_guard lock(mutex);
            show.frames.push_back(record);
        };
        // The sink mixes as the clock moves: the clock tells when a block sounded.
        Clock* clock = nullptr;
        options.audioCapture = [&](const std::int16_t* samples, std::size_t frames) {
            for (std::size_t i = 0; i < frames; ++i) {
                if (std::abs(samples[2 * i]) > 1000 && show.loudFrames++ == 0) {
                    show.firstSound = clock->nowMs();
                }
            }
        };
        HeadlessPlatform platform(options);
        clock = &platform.clock();
        for (const Scripted& s : script) {
            platform.scriptMessage(s.at, s.message);
        }
        TraceSink previous = setTraceSink([&](std::string_view line) {
            std::lock_guard lock(mutex);
            show.trace.emplace_back(platform.clock().nowMs(), std::string(line));
        });
        show.exitCode = test::playOnHeadless(platform, package);
        setTraceSink(previous);
        show.boxes = platform.messageBoxes();
        return show;
    }

    std::optional<TempDirectory> dir_;
};

struct CodecCase {
    const char* name;
    const char* extension;
    const char* codecArgs;
};

TEST_F(ClipShowTest, ClipPlaysInItsRectangleWithSoundThenEndsOnItsStill) {
    const CodecCase cases[] = {
        {"MJPEG in AVI", "avi", "-c:v mjpeg -q:v 5 -c:a pcm_s16le"},
        {"MPEG-1", "mpg", "-c:v mpeg1video -c:a mp2"},
        {"H.264 in MP4", "mp4", "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac"},
    };
    for (const CodecCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string clip = dir_->path() + "/clip." + c.extension;
        ASSERT_TRUE(makeClip(clip, c.codecArgs, 1.0, kClipW, kClipH));
        const ClipShow show = play(clip);
        EXPECT_EQ(show.exitCode, 0);
        EXPECT_TRUE(show.boxes.empty());

        const Millis intoClip = show.traced("transition begins", 1);
        const Millis started = show.traced("clip 2 starts");
        const Millis outOfClip = show.traced("transition begins", 2);
        ASSERT_GT(started, intoClip);
        ASSERT_GT(outOfClip, started);
        std::set<std::uint64_t> pictures;
        Millis stillShown = 0;
        Colour beforeLeaving = OTHER;
        for (const ClipFrame& frame : show.frames) {
            if (frame.time >= started && frame.time < outOfClip) {
                if (frame.centre == BLUE && stillShown == 0) {
                    stillShown = frame.time;
                }
                if (stillShown == 0) {
                    pictures.insert(frame.clipHash);
                }
            }
            if (frame.time < outOfClip) {
                beforeLeaving = frame.centre;
            }
        }
        EXPECT_GE(pictures.size(), 20u) << "the clip's 25 pictures show one after another";
        ASSERT_NE(stillShown, 0u) << "the last-frame still ends the clip";
        EXPECT_GE(stillShown, started + 1000) << "after the whole second of video";
        EXPECT_LE(stillShown, started + 1100);
        EXPECT_GE(outOfClip, stillShown) << "timed mode waits for the clip and its still";
        EXPECT_EQ(beforeLeaving, BLUE);

        EXPECT_GE(show.loudFrames, 44100u / 2) << "the clip's second of tone reaches the mix";
        EXPECT_GE(show.firstSound, started) << "no sound before the pictures";
        EXPECT_LE(show.firstSound, started + 20);
    }
}

TEST_F(ClipShowTest, ClipThatCannotBeOpenedShowsItsStillAndTheShowGoesOn) {
    const std::string clip =
        writeFile(dir_->path() + "/broken.avi", std::vector<std::uint8_t>(5000, 0x42));
    const ClipShow show = play(clip);
    EXPECT_EQ(show.exitCode, 0);
    EXPECT_EQ(show.traced("clip 2 starts"), 0u);
    ASSERT_FALSE(show.frames.empty());
    bool green = false;
    for (const ClipFrame& frame : show.frames) {
        green = green || frame.centre == GREEN;
    }
    EXPECT_TRUE(green) << "the first-frame still stands in for the clip";
    EXPECT_EQ(show.frames.back().centre, WHITE) << "the show went on to the last photo";
    EXPECT_EQ(show.loudFrames, 0u);
}

TEST_F(ClipShowTest, EscDuringTheTransitionKeepsTheClipFromStarting) {
    const std::string clip = dir_->path() + "/clip.mpg";
    ASSERT_TRUE(makeClip(clip, "-c:v mpeg1video -c:a mp2", 1.0, kClipW, kClipH));
    // The transition into the clip runs from 1500 to 2000 ms.
    const ClipShow show =
        play(clip, {{1700, {WM_KEYDOWN, static_cast<std::uintptr_t>(VK_ESCAPE), 1}}});
    EXPECT_EQ(show.exitCode, 0);
    ASSERT_NE(show.traced("transition begins"), 0u);
    EXPECT_EQ(show.traced("clip 2 starts"), 0u);
    EXPECT_EQ(show.loudFrames, 0u);
}

TEST_F(ClipShowTest, EscOrDoubleClickStopsAPlayingClipAtOnce) {
    const std::string clip = dir_->path() + "/clip.mpg";
    ASSERT_TRUE(makeClip(clip, "-c:v mpeg1video -c:a mp2", 1.0, kClipW, kClipH));
    const Message stops[] = {{WM_KEYDOWN, static_cast<std::uintptr_t>(VK_ESCAPE), 1},
                             {WM_LBUTTONDBLCLK, 0, packPoint(10, 10)}};
    for (const Message& stop : stops) {
        SCOPED_TRACE(stop.id);
        // The clip plays from about 2050 to 3050 ms.
        const ClipShow show = play(clip, {{2400, stop}});
        EXPECT_EQ(show.exitCode, 0);
        ASSERT_NE(show.traced("clip 2 starts"), 0u);
        ASSERT_FALSE(show.frames.empty());
        EXPECT_LE(show.frames.back().time, 2400u) << "no picture after the stop";
        EXPECT_LT(show.loudFrames, 44100u / 2) << "the sound stopped with it";
    }
}

TEST_F(ClipShowTest, WithoutTheMediaBackendClipsAreLeftOutWithANotice) {
    const std::string clip = dir_->path() + "/clip.mpg";
    ASSERT_TRUE(makeClip(clip, "-c:v mpeg1video -c:a mp2", 0.5, kClipW, kClipH));
    const ClipShow show = play(clip, {}, false);
    EXPECT_EQ(show.exitCode, 0);
    ASSERT_EQ(show.boxes.size(), 1u);
    EXPECT_NE(show.boxes[0].text.find("cannot play video"), std::string::npos);
    EXPECT_EQ(show.traced("clip 2 starts"), 0u);
    ASSERT_FALSE(show.frames.empty());
    EXPECT_EQ(show.frames.back().centre, WHITE);
}

}  // namespace
}  // namespace playback
