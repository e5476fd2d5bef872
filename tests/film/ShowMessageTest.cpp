#include <gtest/gtest.h>

#include "film/ShowMessage.h"
#include "support/RecordingDialogs.h"

namespace film {
namespace {

using testing_support::RecordingDialogs;

TEST(ShowMessage, TakesTextsFromTheTableElseFromTheCall) {
    RecordingDialogs dialogs;
    showMessage(dialogs, platform::MB_OK, STR_CAPTION_ERROR, "unused", STR_CANNOT_OPEN_FILE,
                "unused", "/films/a.flz");
    showMessage(dialogs, platform::MB_OK, 0, "Warning", 1, "fallback %d", 7);
    showMessage(dialogs, platform::MB_ICONERROR, 0, nullptr, 1, nullptr);
    ASSERT_EQ(dialogs.boxes.size(), 3u);
    EXPECT_EQ(dialogs.boxes[0].caption, *loadString(STR_CAPTION_ERROR));
    EXPECT_EQ(dialogs.boxes[0].text, "The file \"/films/a.flz\" cannot be opened.");
    EXPECT_EQ(dialogs.boxes[1].caption, "Warning");
    EXPECT_EQ(dialogs.boxes[1].text, "fallback 7");
    EXPECT_EQ(dialogs.boxes[2].caption, "");
    EXPECT_EQ(dialogs.boxes[2].text, "");
    EXPECT_EQ(dialogs.boxes[2].style, platform::MB_ICONERROR);
}

TEST(ShowMessage, EveryNumberTheViewerUsesHasAText) {
    for (int number : {STR_CAPTION_NOTICE, STR_CAPTION_ERROR, STR_CANNOT_OPEN_FILE,
                       STR_NOT_A_PLAYABLE_FILM, STR_CANNOT_DETACH, STR_CLIPS_DROPPED,
                       STR_SHOWS_DROPPED, STR_TOO_MANY_ITEMS, STR_NEWER_VERSION}) {
        SCOPED_TRACE(number);
        ASSERT_TRUE(loadString(number));
        EXPECT_FALSE(loadString(number)->empty());
    }
}

TEST(ShowMessage, CutsLongMessagesWithoutSplittingACharacter) {
    RecordingDialogs dialogs;
    // "é" is two bytes in UTF-8; the cut falls inside one of them.
    std::string path = "/films/";
    while (path.size() < 400) {
        path += "\xC3\xA9";
    }
    showMessage(dialogs, platform::MB_OK, STR_CAPTION_ERROR, nullptr, STR_CANNOT_OPEN_FILE, nullptr,
                path.c_str());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    const std::string& text = dialogs.boxes[0].text;
    EXPECT_LE(text.size(), MESSAGE_BUFFER_SIZE - 1);
    EXPECT_GE(text.size(), MESSAGE_BUFFER_SIZE - 2);
    EXPECT_EQ(text.rfind("The file \"/films/", 0), 0u);
    // Ends on a whole character.
    EXPECT_EQ(static_cast<unsigned char>(text.back()), 0xA9);
}

}  // namespace
}  // namespace film
