#include <gtest/gtest.h>

#include <string>

#include "platform/Messages.h"
#include "playback/PhotoView.h"

namespace playback {

// For the test's messages.
void PrintTo(const SourceRect& r, std::ostream* out) {
    *out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace {

using namespace platform;

// Keys as letters: + zoom in, - zoom out, < > ^ v the arrows.
int keyOf(char c) {
    switch (c) {
        case '+':
            return VK_ADD;
        case '-':
            return VK_SUBTRACT;
        case '<':
            return VK_LEFT;
        case '>':
            return VK_RIGHT;
        case '^':
            return VK_UP;
        case 'v':
            return VK_DOWN;
        default:
            return 0;
    }
}

struct ViewCase {
    const char* name;
    int stageWidth, stageHeight;
    int pictureWidth, pictureHeight;
    SourceRect normal;
    std::string keys;
    std::string changed;  // per key: 1 when it changed the view, else 0
    int level;
    SourceRect shown;
};

TEST(PhotoView, KeysMoveAndZoomTheSourceWindowWithinTheirLimits) {
    const SourceRect whole{};
    const std::vector<ViewCase> cases = {
        {"no key: the normal view", 800, 600, 1600, 1200, whole, "", "", 0, whole},
        {"+ doubles about the centre",
         800,
         600,
         1600,
         1200,
         whole,
         "+",
         "1",
         1,
         {400, 300, 1200, 900}},
        {"++ quadruples", 800, 600, 1600, 1200, whole, "++", "11", 2, {600, 450, 1000, 750}},
        // 4 x 3200 x 2400 is past 16 777 216 pixels.
        {"a third + is past the largest zoom",
         800,
         600,
         1600,
         1200,
         whole,
         "+++",
         "110",
         2,
         {600, 450, 1000, 750}},
        {"the largest zoom depends on the stage",
         1280,
         1024,
         1280,
         1024,
         whole,
         "++",
         "10",
         1,
         {320, 256, 960, 768}},
        {"arrows move 25 stage pixels",
         800,
         600,
         1600,
         1200,
         whole,
         "+<^",
         "111",
         1,
         {375, 275, 1175, 875}},
        {"at 4x an arrow is half as many picture pixels",
         800,
         600,
         1600,
         1200,
         whole,
         "++>v",
         "1111",
         2,
         {612, 462, 1012, 762}},
        {"the view stops at the left edge",
         800,
         600,
         1600,
         1200,
         whole,
         "+<<<<<<<<<<<<<<<<<",
         "11111111111111111"
         "0",
         1,
         {0, 300, 800, 900}},
        {"and at the bottom right corner",
         800,
         600,
         1600,
         1200,
         whole,
         "+>>>>>>>>>>>>>>>>>vvvvvvvvvvvvv",
         "11111111111111111"
         "0"
         "111111111111"
         "0",
         1,
         {800, 600, 1600, 1200}},
        {"- halves: the picture centred with black around",
         800,
         600,
         1600,
         1200,
         whole,
         "-",
         "1",
         -1,
         {-800, -600, 2400, 1800}},
        // 200 x 150 has a quarter of 7500 pixels and is narrower than the stage.
        {"the smallest zoom",
         800,
         600,
         1600,
         1200,
         whole,
         "---",
         "110",
         -2,
         {-2400, -1800, 4000, 3000}},
        {"the smallest zoom depends on the stage",
         1280,
         1024,
         1280,
         1024,
         whole,
         "----",
         "1110",
         -3,
         {-4480, -3584, 5760, 4608}},
        {"arrows do nothing while the picture is smaller than the stage",
         800,
         600,
         1600,
         1200,
         whole,
         "-<>^v",
         "10000",
         -1,
         {-800, -600, 2400, 1800}},
        {"+- is the normal view again", 800, 600, 1600, 1200, whole, "+>>-", "1111", 0, whole},
        {"-+ is the normal view again", 800, 600, 1600, 1200, whole, "-+", "11", 0, whole},
        {"zooming out keeps the panned centre",
         800,
         600,
         1600,
         1200,
         whole,
         "++<<<<-",
         "1111111",
         1,
         {350, 300, 1150, 900}},
        // 600 x 800 letterboxed: the normal window is 1066 wide from x = -233.
        {"a portrait picture zooms with its bars",
         800,
         600,
         600,
         800,
         whole,
         "+",
         "1",
         1,
         {33, 200, 566, 600}},
        {"and pans into the bar the normal view shows",
         800,
         600,
         600,
         800,
         whole,
         "+<<<<<<<<<<<<<<<<<",
         "11111111111111111"
         "0",
         1,
         {-233, 200, 300, 600}},
        {"an item's own rectangle is the normal view",
         800,
         600,
         1600,
         1200,
         {100, 50, 500, 350},
         "+",
         "1",
         1,
         {200, 125, 400, 275}},
        {"a tiny picture never gives an empty window",
         800,
         600,
         2,
         2,
         whole,
         "++",
         "11",
         2,
         {0, 0, 1, 1}},
        {"other keys do nothing", 800, 600, 1600, 1200, whole, "x", "0", 0, whole},
    };
    for (const ViewCase& c : cases) {
        SCOPED_TRACE(c.name);
        PhotoView view(c.stageWidth, c.stageHeight, c.normal);
        std::string changed;
        for (char k : c.keys) {
            changed += view.key(keyOf(k)) ? '1' : '0';
        }
        EXPECT_EQ(changed, c.changed);
        EXPECT_EQ(view.level(), c.level);
        EXPECT_EQ(view.isNormal(), c.level == 0);
        EXPECT_EQ(view.sourceRect(c.pictureWidth, c.pictureHeight), c.shown);
        // The view never leaves the zoomed picture, or centres a smaller one.
        const int zw = view.zoomedWidth(), zh = view.zoomedHeight();
        if (zw >= c.stageWidth) {
            EXPECT_GE(view.x(), 0);
            EXPECT_LE(view.x() + c.stageWidth, zw);
        } else {
            EXPECT_EQ(view.x(), -((c.stageWidth - zw) / 2));
        }
        if (zh >= c.stageHeight) {
            EXPECT_GE(view.y(), 0);
            EXPECT_LE(view.y() + c.stageHeight, zh);
        } else {
            EXPECT_EQ(view.y(), -((c.stageHeight - zh) / 2));
        }
    }
}

}  // namespace
}  // namespace playback
