#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileBytes.h"
#include "platform/PngCodec.h"
#include "platform/TempFiles.h"
#include "shell/EffectCommand.h"
#include "shell/ExportCommand.h"
#include "support/CommandOutput.h"
#include "support/FilmPackages.h"

namespace shell {
namespace {

using testing_support::runAndRead;

std::string probe(const std::string& file, const std::string& entries) {
    return runAndRead("ffprobe -v error -show_entries " + entries +
                      " -of default=noprint_wrappers=1 '" + file + "'");
}

struct Rgb {
    int r, g, b;
};

// The decoded picture at time seconds, as RGB bytes.
std::vector<std::uint8_t> frameAt(const std::string& file, double seconds) {
    const std::string text = runAndRead("ffmpeg -v error -ss " + std::to_string(seconds) + " -i '" +
                                        file + "' -frames:v 1 -f rawvideo -pix_fmt rgb24 -");
    return {text.begin(), text.end()};
}

Rgb pixel(const std::vector<std::uint8_t>& frame, int width, int x, int y) {
    const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
    if (at + 2 >= frame.size()) {
        return {-1, -1, -1};
    }
    return {frame[at], frame[at + 1], frame[at + 2]};
}

bool near(Rgb actual, Rgb expected) {
    return std::abs(actual.r - expected.r) < 24 && std::abs(actual.g - expected.g) < 24 &&
           std::abs(actual.b - expected.b) < 24;
}

class ExportCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = platform::TempDirectory::create();
        ASSERT_TRUE(dir_);
        film::Film film;
        film.setLoop(0);
        // A second of red over blue, then two green seconds, cut between them.
        film.addItem(
            testing_support::photoItem(photo("split.jpg", "xc:'#ff0000' xc:'#0000ff'"), 1));
        film.addItem(
            testing_support::photoItem(photo("green.jpg", "xc:'#00ff00' xc:'#00ff00'"), 2));
        film_ = dir_->path() + "/show.flz";
        testing_support::writePackage(film, film_);
    }

    // An 800 x 600 photo of two colours, one above the other.
    std::string photo(const std::string& name, const std::string& halves) {
        const std::string path = dir_->path() + "/" + name;
        const std::string command =
            "convert -size 800x300 " + halves + " -append -quality 95 '" + path + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return path;
    }

    ExportOptions options(const std::string& name) {
        ExportOptions options;
        options.film = film_;
        options.output = dir_->path() + "/" + name;
        options.size = "640x512";
        options.preset = "ultrafast";
        return options;
    }

    std::optional<platform::TempDirectory> dir_;
    std::string film_;
};

TEST_F(ExportCommandTest, WritesTheShowAtTheAskedRateSizeAndCodecs) {
    struct Case {
        const char* name;
        int fps;
        const char* videoCodec;
        const char* audioCodec;
    };
    for (const Case& c : {Case{"show.mp4", 30, "h264", "aac"}, Case{"show.webm", 25, "vp9", "opus"},
                          Case{"show.mkv", 24, "h264", "aac"}}) {
        SCOPED_TRACE(c.name);
        auto asked = options(c.name);
        asked.fps = c.fps;
        ASSERT_EQ(runExport(asked), 0);
        const std::string video =
            probe(asked.output, "stream=codec_name,width,height,r_frame_rate");
        EXPECT_NE(video.find(std::string("codec_name=") + c.videoCodec), std::string::npos)
            << video;
        EXPECT_NE(video.find(std::string("codec_name=") + c.audioCodec), std::string::npos)
            << video;
        EXPECT_NE(video.find("width=640\nheight=512"), std::string::npos) << video;
        EXPECT_NE(video.find("r_frame_rate=" + std::to_string(c.fps) + "/1"), std::string::npos)
            << video;
        // Half a second of loading, then the two items.
        const std::string frames = runAndRead(
            "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
            "stream=nb_read_frames -of default=noprint_wrappers=1:nokey=1 '" +
            asked.output + "'");
        EXPECT_NEAR(std::atof(frames.c_str()) / c.fps, 3.5, 1.0 / c.fps + 0.03) << frames;
    }
}

TEST_F(ExportCommandTest, EachFrameShowsThePhotoOfItsTimeOnBlack) {
    auto asked = options("show.mp4");
    ASSERT_EQ(runExport(asked), 0);
    struct Sample {
        double seconds;
        Rgb top, bottom;
    };
    for (const Sample& sample :
         {Sample{0.6, {255, 0, 0}, {0, 0, 255}}, Sample{1.3, {255, 0, 0}, {0, 0, 255}},
          Sample{1.8, {0, 255, 0}, {0, 255, 0}}, Sample{3.4, {0, 255, 0}, {0, 255, 0}}}) {
        SCOPED_TRACE(sample.seconds);
        const auto frame = frameAt(asked.output, sample.seconds);
        ASSERT_EQ(frame.size(), 640u * 512u * 3u);
        const Rgb top = pixel(frame, 640, 320, 200);
        const Rgb bottom = pixel(frame, 640, 320, 312);
        EXPECT_TRUE(near(top, sample.top)) << top.r << "," << top.g << "," << top.b;
        EXPECT_TRUE(near(bottom, sample.bottom)) << bottom.r << "," << bottom.g << "," << bottom.b;
        EXPECT_TRUE(near(pixel(frame, 640, 1, 1), {0, 0, 0}));
    }
}

TEST_F(ExportCommandTest, TheSeedDecidesTheRandomTransitions) {
    film::Film film;
    film.setLoop(0);
    for (const char* halves :
         {"xc:red xc:blue", "gradient:red-yellow xc:green", "xc:white xc:black"}) {
        auto item = testing_support::photoItem(
            photo(std::string("p") + std::to_string(film.itemCount()) + ".jpg", halves), 1);
        item.effect = 98;  // the random slot
        item.transitionTime = 800;
        film.addItem(item);
    }
    testing_support::writePackage(film, film_);
    auto frameHashes = [this](const std::string& name, std::uint32_t seed) {
        auto asked = options(name);
        asked.size = "320x256";
        asked.seed = seed;
        EXPECT_EQ(runExport(asked), 0);
        return runAndRead("ffmpeg -v error -i '" + asked.output + "' -f framemd5 -");
    };
    const std::string first = frameHashes("a.mp4", 7);
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(frameHashes("b.mp4", 7), first);
    EXPECT_NE(frameHashes("c.mp4", 8), first);
}

TEST_F(ExportCommandTest, ALoopingFilmEndsAtTheGivenLength) {
    film::Film film;
    film.setLoop(1);
    film.addItem(testing_support::photoItem(photo("grey.jpg", "xc:grey xc:grey"), 1));
    testing_support::writePackage(film, film_);
    auto asked = options("loop.mp4");
    asked.size = "320x256";
    asked.lengthMs = 2600;  // past the end of the first round
    ASSERT_EQ(runExport(asked), 0);
    const std::string frames = runAndRead(
        "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
        "stream=nb_read_frames -of default=noprint_wrappers=1:nokey=1 '" +
        asked.output + "'");
    EXPECT_NEAR(std::atof(frames.c_str()) / 30.0, 2.6, 1.0 / 30 + 0.03) << frames;
}

TEST_F(ExportCommandTest, AFailedExportLeavesNoFile) {
    struct Case {
        const char* why;
        void (*change)(ExportOptions&);
        int code;
    };
    const Case cases[] = {
        {"odd sides cannot be 4:2:0 encoded", [](ExportOptions& o) { o.size = "641x512"; }, 2},
        {"the folder is missing", [](ExportOptions& o) { o.output += ".missing/show.mp4"; }, 4},
        {"no such film", [](ExportOptions& o) { o.film += ".missing"; }, 3},
        {"past the last item", [](ExportOptions& o) { o.fromItem = 3; }, 2},
        {"to before from", [](ExportOptions& o) { o.fromItem = 2, o.toItem = 1; }, 2},
        {"no output at all", [](ExportOptions& o) { o.output.clear(); }, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        auto asked = options("show.mp4");
        c.change(asked);
        EXPECT_EQ(runExport(asked), c.code);
        if (!asked.output.empty()) {
            EXPECT_FALSE(std::filesystem::exists(asked.output));
        }
    }
}

// The show time of a film played once from first to last: the first tick
// after half a second, then per item its title phase (3 s when it has a
// title), display and transition times.
double showSeconds(const film::Film& film, int first, int last) {
    long long ms = 500;
    for (int number = first; number <= last; ++number) {
        const film::FilmItem item = film.getItem(number);
        ms += (item.title.empty() ? 0 : 3000) + item.duration * 1000LL + item.transitionTime;
    }
    return static_cast<double>(ms) / 1000.0;
}

film::TextTitle blankTitle() {
    // A title of one space: the title phase runs, nothing shows.
    film::TextTitle text;
    text.number = 1;
    text.animation = 4;
    text.text = " ";
    text.style.setPosition(100, 250);
    text.style.setFont(-40, 700, false, 0, "DejaVu Sans");
    text.style.setLineSpacing(100);
    return text;
}

double streamSeconds(const std::string& file, const char* stream) {
    return std::atof(runAndRead(std::string("ffprobe -v error -select_streams ") + stream +
                                " -show_entries stream=duration -of csv=p=0 '" + file + "'")
                         .c_str());
}

TEST_F(ExportCommandTest, VideoAndSoundLastAsLongAsTheShow) {
    // Film music far shorter and far longer than the show: it repeats or is
    // cut, and either way both tracks end with the last item.
    const std::string shortMusic = dir_->path() + "/short.wav";
    const std::string longMusic = dir_->path() + "/long.wav";
    ASSERT_EQ(std::system(("ffmpeg -v error -f lavfi -i sine=frequency=440:duration=1.3 -ar "
                           "44100 -ac 2 '" +
                           shortMusic + "'")
                              .c_str()),
              0);
    ASSERT_EQ(std::system(("ffmpeg -v error -f lavfi -i sine=frequency=330:duration=20 -ar "
                           "44100 -ac 2 '" +
                           longMusic + "'")
                              .c_str()),
              0);
    struct Case {
        const char* name;
        int playMode;
        int loop;
        const std::string* music;
        int from, to;
    };
    const Case cases[] = {
        {"timed.mp4", film::PLAYMODE_TIMED, 0, &shortMusic, 0, 0},
        {"looping.mp4", film::PLAYMODE_TIMED, 1, &longMusic, 0, 0},  // plays once
        {"manual.mp4", film::PLAYMODE_MANUAL, 0, &longMusic, 0, 0},  // as if timed
        {"range.mp4", film::PLAYMODE_TIMED, 1, &shortMusic, 2, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        film::Film film;
        film.setLoop(c.loop);
        film.setPlayMode(c.playMode);
        film.setMusicPath(*c.music);
        auto first = testing_support::photoItem(photo("a.jpg", "xc:red xc:blue"), 1);
        first.title = {blankTitle()};
        film.addItem(first);
        auto second = testing_support::photoItem(photo("b.jpg", "xc:green xc:white"), 2);
        second.effect = 41;
        second.transitionTime = 700;
        film.addItem(second);
        auto third = testing_support::photoItem(photo("c.jpg", "xc:black xc:yellow"), 1);
        third.effect = 46;
        third.transitionTime = 450;
        film.addItem(third);
        testing_support::writePackage(film, film_);
        auto asked = options(c.name);
        asked.fromItem = c.from;
        asked.toItem = c.to;
        ASSERT_EQ(runExport(asked), 0);
        const double expected =
            showSeconds(film, c.from > 0 ? c.from : 1, c.to > 0 ? c.to : film.itemCount());
        const double frame = 1.0 / 30;
        const double video = streamSeconds(asked.output, "v:0");
        EXPECT_NEAR(video, expected, frame);
        EXPECT_NEAR(streamSeconds(asked.output, "a:0"), video, frame);
        EXPECT_NE(probe(asked.output, "stream=width,height").find("width=640\nheight=512"),
                  std::string::npos);
    }
}

// The frames of a --frames export, decoded.
std::vector<std::uint8_t> pngPixels(const std::string& path) {
    auto bytes = platform::readFileBytes(path, 64u << 20);
    if (!bytes) {
        return {};
    }
    auto picture = platform::decodePng(*bytes);
    return picture ? picture->pixels : std::vector<std::uint8_t>{};
}

std::string frameFile(const std::string& dir, int index) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06d.png", index);
    return dir + name;
}

TEST_F(ExportCommandTest, FramesAreTheFramesOfTheEffectCommand) {
    // Item 1 cuts in with a title phase; items 2 and 3 come in by a
    // cross-fade and a clock wipe. At 25 fps frames and transition steps
    // fall on the same whole milliseconds.
    film::Film film;
    film.setLoop(0);
    const std::string a = photo("a.jpg", "gradient:red-yellow xc:blue");
    const std::string b = photo("b.jpg", "xc:green gradient:white-black");
    const std::string c = photo("c.jpg", "xc:black xc:orange");
    auto first = testing_support::photoItem(a, 1);
    first.title = {blankTitle()};
    film.addItem(first);
    auto second = testing_support::photoItem(b, 1);
    second.effect = 41;
    second.transitionTime = 1000;
    film.addItem(second);
    auto third = testing_support::photoItem(c, 1);
    third.effect = 46;
    third.transitionTime = 600;
    film.addItem(third);
    testing_support::writePackage(film, film_);

    ExportOptions asked;
    asked.film = film_;
    asked.framesDir = dir_->path() + "/frames";
    asked.fps = 25;
    asked.sizeMode = 0;  // the video is the 640 x 480 stage
    asked.seed = 5;
    ASSERT_EQ(runExport(asked), 0);

    struct Transition {
        int slot;
        const std::string* from;
        const std::string* to;
        long long startMs;  // when its step begins
        int durationMs;
    };
    const Transition transitions[] = {{41, &a, &b, 500 + 3000 + 1000, 1000},
                                      {46, &b, &c, 500 + 4000 + 2000, 600}};
    for (const Transition& t : transitions) {
        SCOPED_TRACE(t.slot);
        // The player draws every 40 ms from the step's start; frame k shows
        // the last drawing at or before k * 40 ms.
        EffectOptions effect;
        effect.slot = t.slot;
        effect.from = *t.from;
        effect.to = *t.to;
        effect.size = "640x480";
        effect.durationMs = t.durationMs;
        effect.seed = 5;
        for (int elapsed = 0; elapsed < t.durationMs; elapsed += 40) {
            effect.at.push_back(elapsed);
        }
        effect.output = dir_->path() + "/effect-" + std::to_string(t.slot) + "-%04d.png";
        ASSERT_EQ(runEffect(effect), 0);
        for (const double share : {0.3, 0.5, 0.8}) {
            const long long at = t.startMs + static_cast<long long>(share * t.durationMs);
            const int frame = static_cast<int>((at + 39) / 40);
            const long long elapsed = (frame * 40LL - t.startMs) / 40 * 40;
            SCOPED_TRACE("frame " + std::to_string(frame) + ", elapsed " + std::to_string(elapsed));
            const auto exported = pngPixels(frameFile(asked.framesDir, frame));
            ASSERT_FALSE(exported.empty());
            char name[64];
            std::snprintf(name, sizeof name, "/effect-%d-%04d.png", t.slot,
                          static_cast<int>(elapsed / 40));
            EXPECT_TRUE(exported == pngPixels(dir_->path() + name));
        }
    }
}

TEST_F(ExportCommandTest, PresentationsShowACardAndBrokenItemsKeepTheFrameBefore) {
    film::Film film;
    film.setLoop(0);
    film.addItem(testing_support::photoItem(photo("red.jpg", "xc:red xc:red"), 1));
    film::FilmItem talk;
    talk.type = film::ITEM_SHOW;
    talk.show =
        testing_support::localRef(testing_support::writeSample(dir_->path(), "talk.pps", 600, 'p'));
    talk.duration = 1;
    film.addItem(talk);
    film.addItem(testing_support::photoItem(photo("green.jpg", "xc:green xc:green"), 1));
    // Not a JPEG at all: the show moves on, the green frame stays.
    film.addItem(testing_support::photoItem(
        testing_support::writeSample(dir_->path(), "broken.jpg", 900, 'j'), 1));
    testing_support::writePackage(film, film_);

    ExportOptions asked;
    asked.film = film_;
    asked.framesDir = dir_->path() + "/frames";
    asked.fps = 10;
    asked.sizeMode = 0;
    ASSERT_EQ(runExport(asked), 0);
    auto centre = [&](int frame) {
        const auto pixels = pngPixels(frameFile(asked.framesDir, frame));
        const std::size_t at = (240u * 640u + 320u) * 4u;
        return pixels.size() > at + 2 ? Rgb{pixels[at + 2], pixels[at + 1], pixels[at]}
                                      : Rgb{-1, -1, -1};
    };
    // Red from 0.5 s, the card from 1.5 s, green from 2.5 s, on to 4.5 s.
    EXPECT_TRUE(near(centre(10), {255, 0, 0}));
    const auto card = pngPixels(frameFile(asked.framesDir, 20));
    ASSERT_FALSE(card.empty());
    int black = 0, light = 0;
    for (std::size_t i = 0; i + 3 < card.size(); i += 4) {
        black += card[i] == 0 && card[i + 1] == 0 && card[i + 2] == 0;
        light += card[i] > 150 && card[i + 1] > 150 && card[i + 2] > 150;
    }
    EXPECT_GT(black, static_cast<int>(card.size() / 4 * 9 / 10));  // a black card ...
    EXPECT_GT(light, 50);                                          // ... with its text
    EXPECT_TRUE(near(centre(30), {0, 128, 0}));
    EXPECT_TRUE(near(centre(40), {0, 128, 0}));
    EXPECT_TRUE(std::filesystem::exists(frameFile(asked.framesDir, 44)));
    EXPECT_FALSE(std::filesystem::exists(frameFile(asked.framesDir, 46)));
}

}  // namespace
}  // namespace shell
