#include <gtest/gtest.h>

#include <thread>

#include "platform/headless/HeadlessPlatform.h"

namespace platform {
namespace {

TEST(HeadlessPlatform, DeliversScriptedAndPostedMessagesInTimeOrder) {
    HeadlessPlatform platform;
    VirtualClock::Participant mainThread(platform.virtualClock());
    platform.scriptKey(300, VK_NEXT);
    platform.scriptMessage(100, {WM_LBUTTONUP, 0, packPoint(5, 7)});
    platform.messages().postMessage({2075, 1, 2});

    MessageQueue& queue = platform.messages();
    Message message;
    ASSERT_TRUE(queue.getMessage(message));
    EXPECT_EQ(message.id, 2075u);
    EXPECT_EQ(platform.clock().nowMs(), 0u);
    ASSERT_TRUE(queue.getMessage(message));
    EXPECT_EQ(message.id, WM_LBUTTONUP);
    EXPECT_EQ(message.lParam, (7 << 16) | 5);
    EXPECT_EQ(platform.clock().nowMs(), 100u);
    ASSERT_TRUE(queue.getMessage(message));
    EXPECT_EQ(message.id, WM_KEYDOWN);
    EXPECT_EQ(platform.clock().nowMs(), 300u);

    // The key counts as pressed once, until the next query.
    EXPECT_TRUE(queue.keyPressedSinceLastQuery(VK_NEXT));
    EXPECT_FALSE(queue.keyPressedSinceLastQuery(VK_NEXT));
    EXPECT_FALSE(queue.keyPressedSinceLastQuery(VK_PRIOR));

    queue.postQuit(0);
    EXPECT_FALSE(queue.getMessage(message));
    EXPECT_EQ(queue.exitCode(), 0);
}

TEST(HeadlessPlatform, WindowRecordsFramesAndOutlivesTheShow) {
    HeadlessPlatform platform;
    {
        auto window = platform.createWindow({"FilmPlayer", "Photoreel Viewer"}, nullptr);
        ASSERT_TRUE(window);
        EXPECT_EQ(window->clientSize(), (Size{1280, 1024}));
        const std::uint8_t pixels[2 * 2 * 4] = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0};
        window->present({pixels, 2, 2}, 10, 20);
        window->showCursor(false);
        window->setKeepAwake(ES_CONTINUOUS | ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED);
    }
    HeadlessWindow* window = platform.window();
    ASSERT_NE(window, nullptr);
    const auto frames = window->presentedFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].x, 10);
    EXPECT_EQ(frames[0].width, 2);
    EXPECT_EQ(window->lastFramePixels().size(), 16u);
    EXPECT_FALSE(window->cursorVisible());
    EXPECT_EQ(window->keepAwakeCalls(), (std::vector<std::uint32_t>{0x80000003u}));
    EXPECT_EQ(platform.lastWindowClass(), "FilmPlayer");
}

TEST(HeadlessPlatform, MessagesPostedFromAnotherThreadWakeTheMainThread) {
    HeadlessPlatform platform;
    VirtualClock::Participant mainThread(platform.virtualClock());
    std::thread worker = platform.clock().startThread("poster", [&] {
        platform.clock().sleepMs(55);
        platform.messages().postMessage({3724, 0, 0});
    });
    Message message;
    ASSERT_TRUE(platform.messages().getMessage(message));
    EXPECT_EQ(message.id, 3724u);
    EXPECT_EQ(platform.clock().nowMs(), 55u);
    worker.join();
}

}  // namespace
}  // namespace platform
