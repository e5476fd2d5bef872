// Our decoder against libjpeg-turbo (accurate integer IDCT, nearest-sample
// chroma) on pictures made by encoders that are not ours: cjpeg and
// ImageMagick, at several qualities, subsamplings, restart intervals and
// with standard and optimised Huffman tables.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

#include "JpegTestSupport.h"

namespace imaging {
namespace {

using namespace imaging::testing;

struct Encoding {
    const char* name;
    const char* tool;  // "cjpeg" or "convert"
    const char* options;
};

// Tolerances. The IDCTs may round a sample one level apart; the oracle
// rounds its colour products where ours truncate (one level more); and a
// chroma sample one level apart moves blue by 1.772 levels. So one channel
// may differ by 1 + 1 + 1.772, at most 4 levels.
constexpr double kMinPsnr = 45.0;
constexpr int kMaxChannelDifference = 4;
// Between our two paths: a luma sample one level apart plus a chroma sample
// one level apart is 1 + 1.772 levels of blue. Greyscale pictures show the
// samples themselves, which may differ by one level.
constexpr int kMaxPathDifferenceColour = 3;
constexpr int kMaxPathDifferenceGrey = 1;

const Encoding kEncodings[] = {
    {"cjpeg q75 4:2:0", "cjpeg", "-quality 75 -sample 2x2"},
    {"cjpeg q90 4:2:0 optimised", "cjpeg", "-quality 90 -sample 2x2 -optimize"},
    {"cjpeg q95 4:2:2", "cjpeg", "-quality 95 -sample 2x1"},
    {"cjpeg q100 4:4:4", "cjpeg", "-quality 100 -sample 1x1"},
    {"cjpeg q85 4:4:0", "cjpeg", "-quality 85 -sample 1x2"},
    {"cjpeg q50 4:2:0 restart 1 row", "cjpeg", "-quality 50 -sample 2x2 -restart 1"},
    {"cjpeg q90 4:2:2 restart 5 MCUs optimised", "cjpeg",
     "-quality 90 -sample 2x1 -restart 5B -optimize"},
    {"cjpeg q98 4:4:4 restart 1 MCU", "cjpeg", "-quality 98 -sample 1x1 -restart 1B"},
    {"cjpeg q90 greyscale", "cjpeg", "-quality 90 -grayscale"},
    {"convert q92 4:2:0", "convert", "-quality 92 -sampling-factor 2x2"},
    {"convert q80 4:2:2 standard tables", "convert",
     "-quality 80 -sampling-factor 2x1 -define jpeg:optimize-coding=false"},
    {"convert q100 4:4:4", "convert", "-quality 100 -sampling-factor 1x1"},
};

struct Source {
    const char* name;
    int width, height;
    const char* builtIn = nullptr;  // an ImageMagick picture instead of a synthetic one
};
const Source kSources[] = {
    {"640x480", 640, 480},
    {"301x203", 301, 203},  // no side a multiple of 8 or 16
    {"17x9", 17, 9},
    // ImageMagick's built-in photograph (70 x 46), enlarged.
    {"rose", 0, 0, "rose: -resize 400%"},
};

class JpegCorpus : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!run("command -v cjpeg >/dev/null && command -v convert >/dev/null")) {
            return;
        }
        scratch_ = new ScratchDirectory();
        unsigned seed = 1;
        for (const Source& s : kSources) {
            const std::string ppm = scratch_->path() + "/" + s.name + ".ppm";
            if (s.builtIn) {
                ASSERT_TRUE(run("convert " + std::string(s.builtIn) + " '" + ppm + "'"));
            } else {
                ASSERT_TRUE(
                    writePpm(ppm, synthesizePhoto(s.width, s.height, seed++), s.width, s.height));
            }
            for (const Encoding& e : kEncodings) {
                const std::string jpg = scratch_->path() + "/" + s.name + " " + e.name + ".jpg";
                const std::string command = std::string(e.tool) == "cjpeg"
                                                ? "cjpeg -baseline " + std::string(e.options) +
                                                      " -outfile '" + jpg + "' '" + ppm + "'"
                                                : "convert '" + ppm + "' " + e.options +
                                                      " -strip -interlace none '" + jpg + "'";
                ASSERT_TRUE(run(command)) << command;
                auto bytes = readFile(jpg);
                ASSERT_TRUE(bytes);
                (*files_)[std::string(s.name) + " " + e.name] = std::move(*bytes);
            }
        }
    }
    static void TearDownTestSuite() {
        delete scratch_;
        scratch_ = nullptr;
    }
    void SetUp() override {
        if (scratch_ == nullptr) {
            GTEST_SKIP() << "cjpeg (libjpeg-turbo-progs) and ImageMagick are needed";
        }
    }

    static inline ScratchDirectory* scratch_ = nullptr;
    static inline std::map<std::string, std::vector<std::uint8_t>>* files_ =
        new std::map<std::string, std::vector<std::uint8_t>>();
};

TEST_F(JpegCorpus, MatchesLibjpegTurboOnBothIdctPaths) {
    for (const auto& [name, bytes] : *files_) {
        SCOPED_TRACE(name);
        const auto oracle = decodeWithTurboJpeg(bytes);
        ASSERT_TRUE(oracle);
        DibImage portable, simd;
        const JpegResult a = decodeBytes(bytes, portable, KernelPath::Portable);
        const JpegResult b = decodeBytes(bytes, simd, KernelPath::Sse2);
        ASSERT_TRUE(a) << a.error;
        ASSERT_TRUE(b) << b.error;
        ASSERT_EQ(portable.width(), oracle->width);
        ASSERT_EQ(portable.height(), oracle->height);
        const std::size_t n = static_cast<std::size_t>(oracle->width) * oracle->height;
        const Difference lee = compareBgrx(portable.pixels(), oracle->pixels.data(), n);
        const Difference aan = compareBgrx(simd.pixels(), oracle->pixels.data(), n);
        const Difference paths = compareBgrx(portable.pixels(), simd.pixels(), n);
        std::printf("%-52s portable %6.2f dB max %d | sse2 %6.2f dB max %d | paths max %d\n",
                    name.c_str(), lee.psnr, lee.maxDiff, aan.psnr, aan.maxDiff, paths.maxDiff);
        EXPECT_GE(lee.psnr, kMinPsnr);
        EXPECT_GE(aan.psnr, kMinPsnr);
        EXPECT_LE(lee.maxDiff, kMaxChannelDifference);
        EXPECT_LE(aan.maxDiff, kMaxChannelDifference);
        const bool grey = name.find("greyscale") != std::string::npos;
        EXPECT_LE(paths.maxDiff, grey ? kMaxPathDifferenceGrey : kMaxPathDifferenceColour);
    }
}

}  // namespace
}  // namespace imaging
