#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "media/ClipPlayer.h"
#include "media/MediaMessages.h"
#include "platform/TempFiles.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/video/VideoDecoder.h"
#include "support/ClipFiles.h"

namespace media {
namespace {

using namespace platform;
using namespace testing_support;

TEST(ClipRectangleTest, FitsCentresAndShrinksToTheStage) {
    struct Case {
        const char* name;
        int stageW, stageH, clipW, clipH, fit;
        ClipRect expected;
    };
    const Case cases[] = {
        {"small clip at its own size", 800, 600, 320, 240, 0, {240, 180, 560, 420}},
        {"small clip fitted", 800, 600, 320, 240, 1, {0, 0, 800, 600}},
        {"wide clip larger than the stage", 800, 600, 1024, 576, 0, {0, 75, 800, 525}},
        {"tall clip larger than the stage", 800, 600, 600, 800, 0, {175, 0, 625, 600}},
        {"odd leftover truncates", 800, 600, 321, 241, 0, {239, 179, 560, 420}},
        {"exactly the stage", 640, 480, 640, 480, 0, {0, 0, 640, 480}},
        {"no stored size", 800, 600, 0, 240, 0, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(clipRectangle(c.stageW, c.stageH, c.clipW, c.clipH, c.fit), c.expected) << c.name;
    }
}

// The frame on screen, as a plain stage buffer.
class StageScreen final : public ClipScreen {
  public:
    StageScreen(int width, int height)
        : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height * 4) {}

    void drawAndShow(const std::function<void(std::uint8_t*)>& draw) override {
        std::lock_guard lock(mutex_);
        draw(pixels_.data());
        ++shows_;
        hashes_.insert(hashPixels({pixels_.data(), width_, height_}));
    }

    // B, G, R of the pixel at (x, y), y counted from the top.
    std::uint32_t pixel(int x, int y) {
        std::lock_guard lock(mutex_);
        const std::uint8_t* p =
            pixels_.data() + (static_cast<std::size_t>(height_ - 1 - y) * width_ + x) * 4;
        return p[0] | (p[1] << 8) | (p[2] << 16);
    }
    int shows() {
        std::lock_guard lock(mutex_);
        return shows_;
    }
    std::size_t distinctFrames() {
        std::lock_guard lock(mutex_);
        return hashes_.size();
    }

  private:
    const int width_, height_;
    std::mutex mutex_;
    std::vector<std::uint8_t> pixels_;
    int shows_ = 0;
    std::set<std::uint64_t> hashes_;
};

bool isGreen(std::uint32_t bgr) {
    return (bgr & 0xff) < 60 && ((bgr >> 8) & 0xff) > 200 && ((bgr >> 16) & 0xff) < 60;
}
bool isBlue(std::uint32_t bgr) {
    return (bgr & 0xff) > 200 && ((bgr >> 8) & 0xff) < 60 && ((bgr >> 16) & 0xff) < 60;
}

class ClipPlayerTest : public ::testing::Test {
  protected:
    static constexpr int kStageW = 320, kStageH = 240;

    void SetUp() override {
        if (!haveFfmpeg()) {
            GTEST_SKIP() << "the ffmpeg command makes the test clips";
        }
        dir_ = TempDirectory::create();
        ASSERT_TRUE(dir_);
        // The stills as the package holds them: green first frame at 0, blue
        // last frame after it.
        const auto first = solidJpeg(0, 255, 0);
        auto both = first;
        const auto last = solidJpeg(0, 0, 255);
        both.insert(both.end(), last.begin(), last.end());
        package_ = writeFile(dir_->path() + "/stills.flz", both);
        lastStillRef_ = std::to_string(first.size());
        HeadlessPlatform::Options options;
        options.advance = VirtualClock::Advance::Manual;
        platform_ = std::make_unique<HeadlessPlatform>(options);
        player_ = std::make_unique<ClipPlayer>(
            ClipPlayer::Setup{*platform_, screen_, package_, kStageW, kStageH, 0});
    }

    void TearDown() override {
        player_.reset();
        platform_.reset();
    }

    film::FilmItem clipItem(const std::string& path) {
        film::FilmItem item;
        item.type = film::ITEM_CLIP;
        item.number = 2;
        item.clip = film::FileRef{"", path};
        item.firstFrameStill.fileName = "0";
        item.lastFrameStill.fileName = lastStillRef_;
        item.storedWidth = 160;
        item.storedHeight = 120;
        return item;
    }

    // Advances the clock in small steps until the clip reports its end;
    // returns when it did (or the limit).
    Millis runUntilEnd(Millis limit) {
        VirtualClock& clock = platform_->virtualClock();
        clock.waitUntilIdle();
        while (clock.nowMs() < limit) {
            Message message;
            while (platform_->messages().peekMessage(message)) {
                if (message.id == MSG_GRAPH_NOTIFY) {
                    player_->onGraphNotify(message.wParam, message.lParam);
                    return clock.nowMs();
                }
            }
            clock.advanceBy(20);
        }
        return limit;
    }

    std::optional<TempDirectory> dir_;
    std::string package_;
    std::string lastStillRef_;
    StageScreen screen_{kStageW, kStageH};
    std::unique_ptr<HeadlessPlatform> platform_;
    std::unique_ptr<ClipPlayer> player_;
};

TEST_F(ClipPlayerTest, PlaysAtItsPaceThenPaintsTheLastStill) {
    const std::string clip = dir_->path() + "/clip.avi";
    ASSERT_TRUE(makeClip(clip, "-c:v mjpeg -q:v 5 -c:a pcm_s16le", 0.8));
    const film::FilmItem item = clipItem(clip);
    const imaging::Picture* first = nullptr;
    ASSERT_TRUE(player_->prepare(item, &first));
    ASSERT_NE(first, nullptr);
    const imaging::Picture* still = player_->start(item, 1);
    ASSERT_NE(still, nullptr);
    EXPECT_NE(still, first);
    EXPECT_TRUE(player_->isPlaying());
    EXPECT_EQ(player_->clipRect(), (ClipRect{80, 60, 240, 180}));

    const Millis end = runUntilEnd(5000);
    EXPECT_GE(end, 800u) << "the clip lasts 0.8 s";
    EXPECT_LT(end, 1000u);
    EXPECT_GE(screen_.distinctFrames(), 15u) << "20 pictures were decoded";
    EXPECT_FALSE(player_->isPlaying());
    EXPECT_TRUE(isBlue(screen_.pixel(160, 120))) << "the last-frame still ends the clip";
    EXPECT_EQ(screen_.pixel(10, 10), 0u) << "black around the clip";
}

TEST_F(ClipPlayerTest, BrokenOffTransitionDoesNotStartTheClip) {
    const std::string clip = dir_->path() + "/clip.mpg";
    ASSERT_TRUE(makeClip(clip, "-c:v mpeg1video -c:a mp2", 0.5));
    const film::FilmItem item = clipItem(clip);
    const imaging::Picture* first = nullptr;
    ASSERT_TRUE(player_->prepare(item, &first));
    EXPECT_EQ(player_->start(item, 0), first);
    EXPECT_FALSE(player_->isPlaying());
    EXPECT_EQ(runUntilEnd(2000), 2000u) << "no end is reported for a clip that never ran";
    EXPECT_EQ(screen_.shows(), 0);
}

TEST_F(ClipPlayerTest, ClipThatCannotBeOpenedShowsItsFirstStill) {
    const std::string clip =
        writeFile(dir_->path() + "/broken.avi", std::vector<std::uint8_t>(4000, 0x5a));
    const film::FilmItem item = clipItem(clip);
    const imaging::Picture* first = nullptr;
    EXPECT_TRUE(player_->prepare(item, &first)) << "the still loads, so the item is prepared";
    EXPECT_EQ(player_->start(item, 1), first);
    EXPECT_FALSE(player_->isPlaying()) << "the show goes on at once";
    EXPECT_TRUE(isGreen(screen_.pixel(160, 120)));
}

TEST_F(ClipPlayerTest, TruncatedClipEndsAsIfComplete) {
    const std::string clip = dir_->path() + "/cut.mpg";
    ASSERT_TRUE(makeClip(clip, "-c:v mpeg1video -c:a mp2", 2.0));
    truncateFile(clip, 0.4);
    const film::FilmItem item = clipItem(clip);
    const imaging::Picture* first = nullptr;
    ASSERT_TRUE(player_->prepare(item, &first));
    player_->start(item, 1);
    ASSERT_TRUE(player_->isPlaying());
    const Millis end = runUntilEnd(5000);
    EXPECT_GT(end, 200u);
    EXPECT_LT(end, 1800u) << "it ends where the data ends";
    EXPECT_FALSE(player_->isPlaying());
    EXPECT_TRUE(isBlue(screen_.pixel(160, 120)));
}

TEST_F(ClipPlayerTest, MissingFirstStillFailsThePreparationButTheClipStillPlays) {
    const std::string clip = dir_->path() + "/clip.avi";
    ASSERT_TRUE(makeClip(clip, "-c:v mjpeg -c:a pcm_s16le", 0.3));
    film::FilmItem item = clipItem(clip);
    item.firstFrameStill.fileName = "-1";
    const imaging::Picture stale(package_);
    const imaging::Picture* first = &stale;
    EXPECT_FALSE(player_->prepare(item, &first));
    EXPECT_EQ(first, nullptr);
    player_->start(item, 1);
    EXPECT_TRUE(player_->isPlaying());
    EXPECT_LT(runUntilEnd(3000), 3000u);
}

TEST_F(ClipPlayerTest, MissingLastStillWarnsAndPaintsNothingAtTheEnd) {
    const std::string clip = dir_->path() + "/clip.avi";
    ASSERT_TRUE(makeClip(clip, "-c:v mjpeg -c:a pcm_s16le", 0.3));
    film::FilmItem item = clipItem(clip);
    item.lastFrameStill.fileName = "-1";
    const imaging::Picture* first = nullptr;
    ASSERT_TRUE(player_->prepare(item, &first));
    EXPECT_EQ(player_->start(item, 1), nullptr);
    const auto boxes = platform_->messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Last frame missing -1");
    EXPECT_EQ(boxes[0].caption, "Warning");
    EXPECT_LT(runUntilEnd(3000), 3000u);
    EXPECT_FALSE(player_->isPlaying()) << "the end counts even with nothing to paint";
    EXPECT_FALSE(isBlue(screen_.pixel(160, 120)));
}

TEST(VideoDecoderTest, RefusesFilesWithoutPicturesWithAReason) {
    auto dir = TempDirectory::create();
    ASSERT_TRUE(dir);
    const std::string garbage =
        writeFile(dir->path() + "/noise.mp4", std::vector<std::uint8_t>(3000, 0x11));
    auto opened = VideoDecoder::open(garbage);
    ASSERT_FALSE(opened);
    EXPECT_NE(opened.error().find("noise.mp4"), std::string::npos) << opened.error();
    EXPECT_FALSE(VideoDecoder::open(dir->path() + "/absent.avi"));
}

}  // namespace
}  // namespace media
