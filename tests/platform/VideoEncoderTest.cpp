#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/TempFiles.h"
#include "platform/video/VideoEncoder.h"
#include "support/CommandOutput.h"

namespace platform {
namespace {

using testing_support::runAndRead;

// Root mean square of the file's sound from `from` for `length` seconds.
double loudness(const std::string& file, double from, double length) {
    const std::string pcm =
        runAndRead("ffmpeg -v error -ss " + std::to_string(from) + " -t " + std::to_string(length) +
                   " -i '" + file + "' -vn -ac 1 -ar 44100 -f s16le -");
    double energy = 0;
    const std::size_t count = pcm.size() / 2;
    for (std::size_t i = 0; i < count; ++i) {
        const auto sample =
            static_cast<std::int16_t>(static_cast<std::uint8_t>(pcm[2 * i]) |
                                      (static_cast<std::uint8_t>(pcm[2 * i + 1]) << 8));
        energy += static_cast<double>(sample) * sample;
    }
    return count == 0 ? -1.0 : std::sqrt(energy / static_cast<double>(count));
}

// A 64 x 48 clip at 25 frames a second.
VideoEncoderOptions smallClip(const std::string& path) {
    VideoEncoderOptions options;
    options.path = path;
    options.width = 64;
    options.height = 48;
    options.fps = 25;
    return options;
}

// The duration ffprobe reports, in seconds; `select` narrows it to a stream.
double probedDuration(const std::string& file, const std::string& select = "") {
    return std::atof(runAndRead("ffprobe -v error " + select +
                                " -show_entries format=duration "
                                "-of default=noprint_wrappers=1:nokey=1 '" +
                                file + "'")
                         .c_str());
}

// Half a second of silence, then a tone; two seconds of pictures. The tone
// must sit where it was put, in both codec families, and the track must run
// as long as the pictures even though the sound stopped early.
TEST(VideoEncoderTest, SoundStaysInStepWithThePictures) {
    auto dir = TempDirectory::create();
    ASSERT_TRUE(dir);
    for (const char* name : {"clip.mp4", "clip.webm"}) {
        SCOPED_TRACE(name);
        const VideoEncoderOptions options = smallClip(dir->path() + "/" + name);
        auto encoder = VideoEncoder::open(options);
        ASSERT_TRUE(encoder) << encoder.error();
        std::vector<std::uint8_t> black(64 * 48 * 4, 0);
        for (int i = 0; i < 50; ++i) {
            ASSERT_TRUE((*encoder)->addFrame({black.data(), 64, 48}));
        }
        std::vector<std::int16_t> sound(44100 * 2 * 3 / 2, 0);
        for (std::size_t i = 44100; i < sound.size(); ++i) {
            sound[i] = static_cast<std::int16_t>((i / 2) % 100 < 50 ? 8000 : -8000);
        }
        ASSERT_TRUE((*encoder)->addAudio(sound.data(), sound.size() / 2));
        ASSERT_TRUE((*encoder)->finish());
        encoder->reset();

        EXPECT_LT(loudness(options.path, 0.0, 0.4), 300.0);
        EXPECT_GT(loudness(options.path, 0.7, 0.6), 5000.0);
        EXPECT_NEAR(probedDuration(options.path, "-select_streams a:0"), 2.0, 0.1);
    }
}

// Sound that runs on past the pictures (three seconds of tone, given before
// a second of pictures) is cut at the last picture; repeated frames count as
// frames.
TEST(VideoEncoderTest, SoundEndsWithTheLastPicture) {
    auto dir = TempDirectory::create();
    ASSERT_TRUE(dir);
    for (const char* name : {"long.mp4", "long.webm"}) {
        SCOPED_TRACE(name);
        const VideoEncoderOptions options = smallClip(dir->path() + "/" + name);
        auto encoder = VideoEncoder::open(options);
        ASSERT_TRUE(encoder) << encoder.error();
        std::vector<std::int16_t> sound(44100 * 2 * 3);
        for (std::size_t i = 0; i < sound.size(); ++i) {
            sound[i] = static_cast<std::int16_t>((i / 2) % 100 < 50 ? 8000 : -8000);
        }
        ASSERT_TRUE((*encoder)->addAudio(sound.data(), sound.size() / 2));
        std::vector<std::uint8_t> grey(64 * 48 * 4, 128);
        ASSERT_TRUE((*encoder)->addFrame({grey.data(), 64, 48}));
        for (int i = 1; i < 25; ++i) {
            ASSERT_TRUE((*encoder)->repeatFrame());
        }
        ASSERT_TRUE((*encoder)->finish());
        encoder->reset();

        // Both streams together: the container's duration is the longer.
        EXPECT_NEAR(probedDuration(options.path), 1.0, 1.0 / 25 + 0.01);
        EXPECT_GT(loudness(options.path, 0.5, 0.4), 5000.0);
        const std::string frames = runAndRead(
            "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
            "stream=nb_read_frames -of default=noprint_wrappers=1:nokey=1 '" +
            options.path + "'");
        EXPECT_EQ(std::atoi(frames.c_str()), 25);
    }
}

TEST(VideoEncoderTest, RefusesWhatCannotBeEncoded) {
    auto dir = TempDirectory::create();
    ASSERT_TRUE(dir);
    struct Case {
        int width, height, fps;
        std::string path;
    };
    for (const Case& c :
         {Case{63, 48, 25, dir->path() + "/odd.mp4"}, Case{64, 48, 0, dir->path() + "/still.mp4"},
          Case{64, 48, 25, dir->path() + "/no/such/dir.mp4"}}) {
        SCOPED_TRACE(c.path);
        VideoEncoderOptions options;
        options.path = c.path;
        options.width = c.width;
        options.height = c.height;
        options.fps = c.fps;
        EXPECT_FALSE(VideoEncoder::open(options));
    }
}

}  // namespace
}  // namespace platform
