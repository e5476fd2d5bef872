#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/headless/HeadlessPlatform.h"
#include "shell/Viewer.h"
#include "support/FilmPackages.h"

namespace shell {
namespace {

using namespace platform;

// Records what the shell asks of the player.
struct PlayerLog {
    std::vector<std::string> calls;
    std::vector<Message> messages;
};

class FakePlayer final : public playback::ShowPlayer {
  public:
    FakePlayer(PlayerLog& log, int createResult) : log_(log), createResult_(createResult) {}
    int create(Window&, const film::Film&, bool, int startNumber, int sizeMode) override {
        log_.calls.push_back("create " + std::to_string(startNumber) + " " +
                             std::to_string(sizeMode));
        return createResult_;
    }
    void destroyWindow() override { log_.calls.push_back("destroy"); }
    void handleMessage(const Message& message) override { log_.messages.push_back(message); }

  private:
    PlayerLog& log_;
    int createResult_;
};

class ViewerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = TempDirectory::create();
        ASSERT_TRUE(dir_);
        film::Film film;
        film.addItem(testing_support::photoItem(
            testing_support::writeSample(dir_->path(), "photo.jpg", 500, 'p')));
        film_ = dir_->path() + "/show.flz";
        testing_support::writePackage(film, film_);
        // The viewer's own temporary directories go below a folder we watch.
        showTemp_ = dir_->path() + "/tmp";
        std::filesystem::create_directory(showTemp_);
        setenv("TMPDIR", showTemp_.c_str(), 1);
    }
    void TearDown() override { unsetenv("TMPDIR"); }

    int run(HeadlessPlatform& platform, const std::string& filmPath, PlayerFactory factory) {
        VirtualClock::Participant mainThread(platform.virtualClock());
        ViewerOptions options;
        options.filmPath = filmPath;
        return runViewer(platform, options, std::move(factory));
    }

    bool showTempIsEmpty() const { return std::filesystem::is_empty(showTemp_); }

    std::optional<TempDirectory> dir_;
    std::string film_;
    std::string showTemp_;
};

TEST_F(ViewerTest, EscClosesABlackFilmPlayerWindowWithExitCodeZero) {
    HeadlessPlatform platform;
    platform.scriptKey(1000, VK_ESCAPE);
    EXPECT_EQ(run(platform, film_, nullptr), 0);
    EXPECT_EQ(platform.clock().nowMs(), 1000u);
    EXPECT_EQ(platform.lastWindowClass(), "FilmPlayer");
    ASSERT_NE(platform.window(), nullptr);
    EXPECT_TRUE(platform.messageBoxes().empty());
    EXPECT_TRUE(showTempIsEmpty());
}

TEST_F(ViewerTest, BadFilmPathsEndWithExitCodeZero) {
    {
        // A path that opens no package leads to the file dialog; cancelling
        // it ends the viewer without a message.
        HeadlessPlatform platform;
        EXPECT_EQ(run(platform, dir_->path() + "/missing.flz", nullptr), 0);
        EXPECT_TRUE(platform.messageBoxes().empty());
        EXPECT_TRUE(showTempIsEmpty());
    }
    {
        // A file picked in the dialog that holds no package is reported.
        HeadlessPlatform::Options options;
        options.openFileAnswer = dir_->path() + "/photo.jpg";
        HeadlessPlatform platform(options);
        EXPECT_EQ(run(platform, std::string(259, 'a'), nullptr), 0);  // fits, but missing
        ASSERT_EQ(platform.messageBoxes().size(), 1u);
        EXPECT_NE(platform.messageBoxes()[0].text.find("photo.jpg"), std::string::npos);
        EXPECT_NE(platform.window(), nullptr);
        EXPECT_TRUE(showTempIsEmpty());
    }
    {
        HeadlessPlatform platform;
        EXPECT_EQ(run(platform, std::string(260, 'a'), nullptr), 0);
        ASSERT_EQ(platform.messageBoxes().size(), 1u);
        EXPECT_NE(platform.messageBoxes()[0].text.find("too long"), std::string::npos);
        EXPECT_EQ(platform.window(), nullptr);  // refused before any window
    }
}

TEST_F(ViewerTest, LoadingShowsProgressAndTitlesTheWindowAfterTheFilm) {
    HeadlessPlatform platform;
    platform.scriptKey(100, VK_ESCAPE);
    EXPECT_EQ(run(platform, film_, nullptr), 0);
    EXPECT_EQ(platform.window()->title(), "show");
    const auto frames = platform.window()->presentedFrames();
    ASSERT_GE(frames.size(), 2u);  // the progress dialog, then black again
    EXPECT_EQ(frames.front().width, ProgressDialog::kWidth);
    EXPECT_EQ(frames.back().width, 0);
}

TEST_F(ViewerTest, EscDuringTheDetachWaitsForTheLoadToEnd) {
    film::Film film;
    film::FilmItem clip;
    clip.type = film::ITEM_CLIP;
    clip.clip = testing_support::localRef(
        testing_support::writeSample(dir_->path(), "long.avi", 200'000, 'c'));
    film.addItem(clip);
    const std::string package = dir_->path() + "/clip.flz";
    testing_support::writePackage(film, package);

    HeadlessPlatform platform;
    PlayerLog log;
    // Already waiting when the load starts: the detach pumps it, and the
    // window must not tear the loader down under its feet.
    platform.messages().postMessage({WM_KEYDOWN, static_cast<std::uintptr_t>(VK_ESCAPE), 1});
    EXPECT_EQ(
        run(platform, package,
            [&log](const playback::ShowContext&) { return std::make_unique<FakePlayer>(log, 1); }),
        0);
    EXPECT_TRUE(log.calls.empty());  // the show never started
    EXPECT_TRUE(platform.messageBoxes().empty());
    EXPECT_TRUE(showTempIsEmpty());
}

TEST_F(ViewerTest, NoDisplayIsAFailureWithoutAnyWindow) {
    HeadlessPlatform::Options options;
    options.windowCreationFails = true;
    HeadlessPlatform platform(options);
    EXPECT_EQ(run(platform, film_, nullptr), kExitNoWindow);
}

TEST_F(ViewerTest, RoutesInputToThePlayerAndTearsItDownOnEsc) {
    HeadlessPlatform platform;
    PlayerLog log;
    platform.scriptKey(100, VK_NEXT);
    platform.scriptMessage(200, {WM_LBUTTONUP, 0, packPoint(3, 4)});
    platform.scriptMessage(250, {WM_MOUSEMOVE, 0, packPoint(5, 6)});
    platform.scriptMessage(300, {WM_SYSCOMMAND, SC_SCREENSAVE, 0});
    platform.scriptMessage(350, {2075, 0, 0});
    platform.scriptKey(400, VK_ESCAPE);
    platform.scriptKey(500, VK_PRIOR);  // after Esc: no player, ignored

    const int code = run(platform, film_, [&log](const playback::ShowContext&) {
        return std::make_unique<FakePlayer>(log, 1);
    });

    EXPECT_EQ(code, 0);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"create 1 1", "destroy"}));
    std::vector<MessageId> seen;
    for (const Message& m : log.messages) {
        seen.push_back(m.id);
    }
    EXPECT_EQ(seen, (std::vector<MessageId>{WM_KEYDOWN, WM_LBUTTONUP, WM_MOUSEMOVE, 2075}));
    EXPECT_EQ(log.messages[0].wParam, static_cast<std::uintptr_t>(VK_NEXT));
    EXPECT_EQ(platform.clock().nowMs(), 400u);  // the viewer ended at Esc
    EXPECT_TRUE(showTempIsEmpty());
}

TEST_F(ViewerTest, ACloseFromTheDesktopTearsDownLikeEsc) {
    HeadlessPlatform platform;
    PlayerLog log;
    platform.scriptMessage(700, {WM_CLOSE, 0, 0});
    EXPECT_EQ(
        run(platform, film_,
            [&log](const playback::ShowContext&) { return std::make_unique<FakePlayer>(log, 1); }),
        0);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"create 1 1", "destroy"}));
    EXPECT_TRUE(showTempIsEmpty());
}

TEST_F(ViewerTest, APlayerThatFailsToStartLeavesABlackWindowUntilEsc) {
    HeadlessPlatform platform;
    PlayerLog log;
    platform.scriptKey(100, VK_NEXT);
    platform.scriptKey(200, VK_ESCAPE);
    EXPECT_EQ(
        run(platform, film_,
            [&log](const playback::ShowContext&) { return std::make_unique<FakePlayer>(log, 0); }),
        0);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"create 1 1", "destroy"}));
}

}  // namespace
}  // namespace shell
