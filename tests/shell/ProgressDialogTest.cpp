#include <gtest/gtest.h>

#include <cmath>

#include "platform/headless/HeadlessPlatform.h"
#include "shell/ProgressDialog.h"

namespace shell {
namespace {

TEST(ProgressDialog, ClampsAndTruncatesThePercentage) {
    platform::HeadlessPlatform platform;
    auto window = platform.createWindow({"FilmPlayer", "Photoreel Viewer"}, nullptr);
    ProgressDialog dialog("Processing");
    dialog.showProgress(*window);
    EXPECT_EQ(dialog.percentText(), "0%");

    const std::pair<float, const char*> cases[] = {
        {0.999f, "99%"}, {1.5f, "100%"}, {-0.2f, "0%"}, {std::nanf(""), "0%"},
        {0.5f, "50%"},   {1.0f, "100%"}, {0.0f, "0%"},  {1.0f / 3.0f, "33%"},
    };
    for (const auto& [fraction, shown] : cases) {
        dialog.setProgress(fraction);
        EXPECT_EQ(dialog.percentText(), shown) << fraction;
    }
}

TEST(ProgressDialog, IsDrawnCentredOnceAndClosedToBlack) {
    platform::HeadlessPlatform platform;
    auto window = platform.createWindow({"FilmPlayer", "Photoreel Viewer"}, nullptr);
    ProgressDialog neverShown("Processing");
    neverShown.setProgress(0.5f);  // no window: nothing happens
    EXPECT_FALSE(neverShown.isShown());
    EXPECT_TRUE(platform.window()->presentedFrames().empty());

    ProgressDialog dialog(std::string(100, 'x'));
    EXPECT_EQ(dialog.text().size(), 63u);
    dialog.showProgress(*window);
    dialog.showProgress(*window);  // replaces the first: still one dialog
    EXPECT_TRUE(dialog.isShown());
    dialog.setProgress(0.25f);
    auto frames = platform.window()->presentedFrames();
    ASSERT_FALSE(frames.empty());
    const platform::PresentedFrame& last = frames.back();
    EXPECT_EQ(last.width, ProgressDialog::kWidth);
    EXPECT_EQ(last.x, (1280 - ProgressDialog::kWidth) / 2);
    EXPECT_EQ(last.y, (1024 - ProgressDialog::kHeight) / 2);
    EXPECT_NE(frames[frames.size() - 2].hash, last.hash);  // 0% and 25% differ

    dialog.closeProgress();
    EXPECT_FALSE(dialog.isShown());
    EXPECT_EQ(platform.window()->presentedFrames().back().width, 0);  // cleared
}

}  // namespace
}  // namespace shell
