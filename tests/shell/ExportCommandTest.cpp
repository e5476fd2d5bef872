#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/TempFiles.h"
#include "shell/ExportCommand.h"
#include "support/FilmPackages.h"

namespace shell {
namespace {

std::string runAndRead(const std::string& command) {
    std::string output;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    std::array<char, 4096> buffer{};
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        output.append(buffer.data(), got);
    }
    pclose(pipe);
    return output;
}

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
    auto asked = options("show.mp4");
    // Shows that would never end: looping without a length, advanced by hand.
    for (const bool manual : {false, true}) {
        film::Film film;
        film.setLoop(manual ? 0 : 1);
        film.setPlayMode(manual ? film::PLAYMODE_MANUAL : film::PLAYMODE_TIMED);
        film.addItem(testing_support::photoItem(photo("grey.jpg", "xc:grey xc:grey"), 1));
        testing_support::writePackage(film, film_);
        EXPECT_EQ(runExport(asked), 2);
        EXPECT_FALSE(std::filesystem::exists(asked.output));
    }
    asked.size = "641x512";  // odd sides cannot be 4:2:0 encoded
    EXPECT_NE(runExport(asked), 0);
    asked.size = "640x512";
    asked.output = dir_->path() + "/missing/show.mp4";
    EXPECT_NE(runExport(asked), 0);
    EXPECT_FALSE(std::filesystem::exists(asked.output));
}

}  // namespace
}  // namespace shell
