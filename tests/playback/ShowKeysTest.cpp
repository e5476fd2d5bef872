#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "HeadlessViewer.h"
#include "platform/TempFiles.h"
#include "support/FilmPackages.h"

namespace playback {
namespace {

using namespace platform;

constexpr int W = 800, H = 600;  // client and stage
constexpr int CELL = 100;        // the grid photos' cells

// A W x H photo of 8 x 6 cells of 100 pixels; each cell's red and green
// tell its column and row, blue tells the photo.
struct Cell {
    int r, g, b;
};
Cell cellColour(int column, int row, int blue) {
    return {20 + 30 * column, 20 + 40 * row, blue};
}

std::string writeGrid(const std::string& directory, const std::string& name, int blue) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(W) * H * 3);
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const Cell c = cellColour(x / CELL, y / CELL, blue);
            std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * W + x) * 3];
            p[0] = static_cast<std::uint8_t>(c.r);
            p[1] = static_cast<std::uint8_t>(c.g);
            p[2] = static_cast<std::uint8_t>(c.b);
        }
    }
    const std::string path = directory + "/" + name;
    test::writeJpeg(path, rgb, W, H);
    return path;
}

// Stage points sampled from every presented frame (top-left origin).
constexpr int SAMPLES_X = 20, SAMPLES_Y = 20;
int sampleX(int i) {
    return 20 + 40 * i;
}
int sampleY(int j) {
    return 15 + 30 * j;
}

struct Sampled {
    Millis time = 0;
    std::uint64_t hash = 0;
    std::vector<Cell> samples;  // SAMPLES_X x SAMPLES_Y, row by row
};

struct Scripted {
    Millis at;
    int key;
};

class ShowKeysTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = TempDirectory::create();
        ASSERT_TRUE(dir_);
    }

    // A manual film of grid photos (one per blue level, each with its
    // transition time); the first step runs at once.
    std::vector<Sampled> play(const std::vector<std::pair<int, int>>& photos,
                              const std::vector<Scripted>& script) {
        film::Film film;
        film.setLoop(0);
        film.setPlayMode(film::PLAYMODE_MANUAL);
        for (const auto& [blue, transitionTime] : photos) {
            film::FilmItem item = testing_support::photoItem(
                writeGrid(dir_->path(), "grid" + std::to_string(blue) + ".jpg", blue), 1);
            item.transitionTime = transitionTime;
            item.effect = 0;
            film.addItem(item);
        }
        const std::string package = dir_->path() + "/show.flz";
        testing_support::writePackage(film, package);

        std::mutex mutex;
        std::vector<Sampled> frames;
        HeadlessPlatform::Options options;
        options.clientSize = {W, H};
        options.frameSink = [&](const FrameView& frame, int, int, Millis time) {
            if (frame.width != W || frame.height != H) {
                return;  // the loading dialog, the cleared window
            }
            Sampled s{time, hashPixels(frame), {}};
            for (int j = 0; j < SAMPLES_Y; ++j) {
                for (int i = 0; i < SAMPLES_X; ++i) {
                    const std::uint8_t* p =
                        frame.pixels + (static_cast<std::size_t>(H - 1 - sampleY(j)) * W +
                                        static_cast<std::size_t>(sampleX(i))) *
                                           4;
                    s.samples.push_back({p[2], p[1], p[0]});
                }
            }
            std::lock_guard lock(mutex);
            frames.push_back(std::move(s));
        };
        HeadlessPlatform platform(options);
        for (const Scripted& s : script) {
            platform.scriptKey(s.at, s.key);
        }
        EXPECT_EQ(test::playOnHeadless(platform, package), 0);
        for (const RecordedMessageBox& box : platform.messageBoxes()) {
            ADD_FAILURE() << "message box: " << box.text;
        }
        std::lock_guard lock(mutex);
        return frames;
    }

    std::optional<TempDirectory> dir_;
};

// Checks that a frame shows the part `shown` (picture pixels, top-left
// origin) of the grid photo with this blue, black outside the photo.
// Samples near a cell edge are skipped: scaling blends neighbours there.
void expectShows(const Sampled& frame, const SourceRect& shown, int blue) {
    const double sx = static_cast<double>(shown.right - shown.left) / W;
    const double sy = static_cast<double>(shown.bottom - shown.top) / H;
    const double margin = 4 + 2 * std::max(sx, sy);
    int checked = 0;
    for (int j = 0; j < SAMPLES_Y; ++j) {
        for (int i = 0; i < SAMPLES_X; ++i) {
            const double px = shown.left + (sampleX(i) + 0.5) * sx;
            const double py = shown.top + (sampleY(j) + 0.5) * sy;
            auto nearEdge = [margin](double v) {
                const double inCell = v - std::floor(v / CELL) * CELL;
                return inCell < margin || inCell > CELL - margin;
            };
            if (nearEdge(px) || nearEdge(py)) {
                continue;
            }
            const bool inside = px >= 0 && px < W && py >= 0 && py < H;
            const Cell want =
                inside ? cellColour(static_cast<int>(px) / CELL, static_cast<int>(py) / CELL, blue)
                       : Cell{0, 0, 0};
            const Cell got = frame.samples[static_cast<std::size_t>(j) * SAMPLES_X + i];
            EXPECT_TRUE(std::abs(got.r - want.r) <= 10 && std::abs(got.g - want.g) <= 10 &&
                        std::abs(got.b - want.b) <= 10)
                << "stage (" << sampleX(i) << ", " << sampleY(j) << ") picture (" << px << ", "
                << py << "): got " << got.r << "," << got.g << "," << got.b << " want " << want.r
                << "," << want.g << "," << want.b;
            ++checked;
        }
    }
    EXPECT_GT(checked, SAMPLES_X * SAMPLES_Y / 4);
}

std::vector<Scripted> keysFrom(Millis start, const std::string& keys) {
    std::vector<Scripted> script;
    Millis at = start;
    for (char k : keys) {
        const int key = k == '+'   ? VK_ADD
                        : k == '-' ? VK_SUBTRACT
                        : k == '<' ? VK_LEFT
                        : k == '>' ? VK_RIGHT
                        : k == '^' ? VK_UP
                                   : VK_DOWN;
        script.push_back({at, key});
        at += 100;
    }
    return script;
}

struct KeysCase {
    const char* name;
    std::string keys;       // + - < > ^ v, 100 ms apart from 1000 ms
    std::size_t presented;  // frames the keys presented
    SourceRect shown;       // what the last one shows
};

TEST_F(ShowKeysTest, PanAndZoomKeysRedrawThePhotoOnScreen) {
    const std::vector<KeysCase> cases = {
        {"+ doubles the photo about the stage centre", "+", 1, {200, 150, 600, 450}},
        {"++ then pans at a quarter of the stage pixels", "++>>^", 5, {312, 218, 512, 368}},
        {"a third + is past the largest zoom: no frame", "+++", 2, {300, 225, 500, 375}},
        {"- shows the photo smaller, centred on black", "-", 1, {-400, -300, 1200, 900}},
        {"a third - is past the smallest zoom", "---", 2, {-1200, -900, 2000, 1500}},
        {"the view stops at the photo's edge", "+<<<<<<<<<<<<<<<<<<<", 17, {0, 150, 400, 450}},
        {"arrows do nothing at the normal view", "<>^v", 0, {0, 0, W, H}},
    };
    for (const KeysCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Scripted> script = keysFrom(1000, c.keys);
        script.push_back({5000, VK_ESCAPE});
        const std::vector<Sampled> frames = play({{220, 0}}, script);
        ASSERT_FALSE(frames.empty());
        std::vector<const Sampled*> byKeys;
        for (const Sampled& f : frames) {
            if (f.time >= 1000) {
                byKeys.push_back(&f);
            }
        }
        EXPECT_EQ(byKeys.size(), c.presented);
        expectShows(frames.back(), c.shown, 220);
    }
}

TEST_F(ShowKeysTest, ZoomingBackShowsTheStepsFrameExactly) {
    const std::vector<Sampled> frames = play(
        {{220, 0}}, {{1000, VK_ADD}, {1100, VK_RIGHT}, {1200, VK_SUBTRACT}, {2000, VK_ESCAPE}});
    ASSERT_GE(frames.size(), 3u);
    const Sampled& last = frames.back();
    EXPECT_EQ(last.time, 1200u);
    const Sampled& stepFrame = frames[frames.size() - 4];
    EXPECT_LT(stepFrame.time, 1000u);
    EXPECT_EQ(last.hash, stepFrame.hash);
}

TEST_F(ShowKeysTest, KeysDuringAStepDoNothingAndTheNextStepShowsTheNormalView) {
    // Item 1 zoomed 4x; Page Down at 2000 runs a 2000 ms transition to
    // item 2, during which + is pressed twice; + at 6000 zooms item 2 from
    // its normal view.
    const std::vector<Sampled> frames = play({{220, 0}, {110, 2000}}, {{1000, VK_ADD},
                                                                       {1100, VK_ADD},
                                                                       {2000, VK_NEXT},
                                                                       {2500, VK_ADD},
                                                                       {3000, VK_ADD},
                                                                       {6000, VK_ADD},
                                                                       {7000, VK_ESCAPE}});
    const Sampled* beforeStep = nullptr;
    const Sampled* stepEnd = nullptr;
    const Sampled* zoomed = nullptr;
    for (const Sampled& f : frames) {
        if (f.time < 2000) {
            beforeStep = &f;
        } else if (f.time < 6000) {
            stepEnd = &f;
        } else {
            zoomed = &f;
        }
    }
    ASSERT_TRUE(beforeStep && stepEnd && zoomed);
    expectShows(*beforeStep, {300, 225, 500, 375}, 220);
    // The step's frames end with the transition; the keys during it drew nothing.
    EXPECT_LE(stepEnd->time, 4100u);
    expectShows(*stepEnd, {0, 0, W, H}, 110);
    EXPECT_EQ(zoomed->time, 6000u);
    expectShows(*zoomed, {200, 150, 600, 450}, 110);
}

}  // namespace
}  // namespace playback
