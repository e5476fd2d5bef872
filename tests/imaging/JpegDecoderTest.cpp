// The decoder on fixtures written marker by marker: what it rejects, how it
// treats restart intervals, damaged and truncated data, and how Picture
// finds a picture in a package.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "JpegBuilder.h"
#include "JpegTestSupport.h"
#include "imaging/ByteSource.h"
#include "imaging/JpegStream.h"
#include "imaging/Picture.h"

namespace imaging {
namespace {

using namespace imaging::testing;
using Fc = JpegBuilder::FrameComponent;
using Sc = JpegBuilder::ScanComponent;

const std::vector<Fc> kGrey = {{1, 1, 1, 0}};
const std::vector<Sc> kGreyScan = {{1, 0, 0}};

// A greyscale picture with the identity quantisation and simpleTables.
std::vector<std::uint8_t> greyPicture(int width, int height, const std::vector<std::uint8_t>& data,
                                      int restartInterval = 0, bool sixteenBitQuant = false,
                                      std::uint16_t quant = 1) {
    JpegBuilder b;
    b.soi().dqt(0, flatQuantisation(quant), sixteenBitQuant).sof(width, height, kGrey);
    b.simpleTables();
    if (restartInterval) {
        b.dri(restartInterval);
    }
    b.sos(kGreyScan).raw(data).eoi();
    return b.bytes;
}

// With identity quantisation a lone DC of 8 (v - 128) gives the flat sample v.
int dcFor(int sample) {
    return 8 * (sample - 128);
}

// BGRX pixel (x, y), y counted from the top.
const std::uint8_t* pixelAt(const DibImage& image, int x, int y) {
    return image.pixels() +
           (static_cast<std::size_t>(image.height() - 1 - y) * image.width() + x) * 4;
}

struct Rejection {
    const char* fault;
    std::vector<std::uint8_t> bytes;
    const char* reason;  // a part of the error text
};

std::vector<Rejection> rejections() {
    const auto entropy = EntropyWriter().block(0).finish();
    auto withFrame = [&](const std::vector<Fc>& components, std::uint8_t code = 0xC0,
                         int precision = 8, int width = 8, int height = 8) {
        JpegBuilder b;
        b.soi().dqt(0, flatQuantisation()).sof(width, height, components, code, precision);
        b.simpleTables().sos(kGreyScan).raw(entropy).eoi();
        return b.bytes;
    };
    std::vector<Rejection> r;
    r.push_back({"progressive frame", withFrame(kGrey, 0xC2), "SOF2"});
    r.push_back({"extended sequential frame", withFrame(kGrey, 0xC1), "SOF1"});
    r.push_back({"arithmetic-coded frame", withFrame(kGrey, 0xC9), "SOF9"});
    r.push_back({"12-bit samples", withFrame(kGrey, 0xC0, 12), "precision 12"});
    r.push_back({"width 0", withFrame(kGrey, 0xC0, 8, 0, 8), "width 0"});
    r.push_back({"height 0 (DNL)", withFrame(kGrey, 0xC0, 8, 8, 0), "height 0"});
    r.push_back({"two components", withFrame({{1, 1, 1, 0}, {2, 1, 1, 0}}), "2 components"});
    r.push_back({"four components (CMYK)",
                 withFrame({{1, 1, 1, 0}, {2, 1, 1, 0}, {3, 1, 1, 0}, {4, 1, 1, 0}}),
                 "4 components"});
    r.push_back({"subsampled chroma factor", withFrame({{1, 2, 2, 0}, {2, 2, 1, 0}, {3, 1, 1, 0}}),
                 "sampling factors 2x1"});
    r.push_back({"luma factor 3", withFrame({{1, 3, 1, 0}, {2, 1, 1, 0}, {3, 1, 1, 0}}),
                 "sampling factors 3x1"});
    r.push_back({"quantisation selector 4", withFrame({{1, 1, 1, 4}}), "quantisation table 4"});
    r.push_back({"repeated component id", withFrame({{1, 1, 1, 0}, {1, 1, 1, 0}, {3, 1, 1, 0}}),
                 "repeated"});
    r.push_back(
        {"65535 x 65535 header", withFrame(kGrey, 0xC0, 8, 65535, 65535), "above the limit"});
    {
        JpegBuilder b;
        b.soi().dqt(0, flatQuantisation()).sof(8, 8, kGrey).simpleTables();
        b.sos({{1, 2, 0}}).raw(entropy).eoi();
        r.push_back({"Huffman selector 2 in the scan", b.bytes, "Huffman tables 2/0"});
    }
    {
        JpegBuilder b;
        b.soi().dqt(0, flatQuantisation()).sof(8, 8, kGrey).simpleTables();
        b.dht(0, 2, {1}, {0});
        r.push_back({"DHT table id 2", b.bytes, "DHT class 0 table 2"});
    }
    {
        JpegBuilder b;
        b.soi().dqt(4, flatQuantisation());
        r.push_back({"DQT table id 4", b.bytes, "DQT table 4"});
    }
    {
        JpegBuilder b;
        b.soi().dht(0, 0, {3}, {0, 1, 2});  // three codes of one bit
        r.push_back({"impossible code counts", b.bytes, "overflow at length 1"});
    }
    {
        JpegBuilder b;
        b.soi().dht(0, 0, {1}, {16});
        r.push_back({"DC category 16", b.bytes, "DC symbol 16"});
    }
    {
        JpegBuilder b;
        b.soi().dht(1, 0, {0, 4}, {0, 1});  // four codes promised, two given
        r.push_back({"DHT symbols past the segment", b.bytes, "run past the segment"});
    }
    {
        JpegBuilder b;
        b.soi().dqt(0, flatQuantisation()).sof(8, 8, kGrey).simpleTables();
        b.sos(kGreyScan).raw(entropy).sos(kGreyScan).raw(entropy).eoi();
        r.push_back({"two scans", b.bytes, "a second scan"});
    }
    {
        JpegBuilder b;
        b.soi().dqt(0, flatQuantisation()).simpleTables().sos(kGreyScan).raw(entropy).eoi();
        r.push_back({"scan before the frame", b.bytes, "SOS before"});
    }
    {
        JpegBuilder b;
        b.soi().sof(8, 8, kGrey).simpleTables().sos(kGreyScan).raw(entropy).eoi();
        r.push_back({"no quantisation table", b.bytes, "quantisation table 0 is not defined"});
    }
    {
        JpegBuilder b;
        b.soi().dqt(0, flatQuantisation()).sof(8, 8, kGrey).sos(kGreyScan).raw(entropy).eoi();
        r.push_back({"no Huffman tables", b.bytes, "Huffman table 0/0 is not defined"});
    }
    {
        JpegBuilder b;
        b.soi().raw({0xFF, 0xE1, 0x00, 0x01});
        r.push_back({"segment length 1", b.bytes, "length 1"});
    }
    r.push_back({"no frame at all", JpegBuilder().soi().eoi().bytes, "no SOF0"});
    r.push_back({"not a JPEG", {'G', 'I', 'F', '8', '9', 'a'}, "no SOF0"});
    {
        JpegBuilder b;
        b.soi().dqt(0, flatQuantisation()).sof(8, 8, kGrey).simpleTables().eoi();
        r.push_back({"frame without a scan", b.bytes, "no scan"});
    }
    {
        // ZRL x3 brings the position to 48; run 15 then lands on 64.
        auto data = EntropyWriter()
                        .block(0, {}, false)
                        .symbolAc(0xF0)
                        .symbolAc(0xF0)
                        .symbolAc(0xF0)
                        .symbolAc(0xF1)
                        .bits(1, 1)
                        .finish();
        r.push_back({"coefficient position 64", greyPicture(8, 8, data), "beyond 63"});
    }
    {
        auto w = EntropyWriter().block(0, {}, false);
        for (int i = 0; i < 5; ++i) {
            w.symbolAc(0xF0);
        }
        r.push_back(
            {"zero runs past the block", greyPicture(8, 8, w.finish()), "beyond position 63"});
    }
    return r;
}

TEST(JpegDecoder, RejectsWhatItDoesNotSupportWithAReason) {
    for (const Rejection& r : rejections()) {
        SCOPED_TRACE(r.fault);
        DibImage image;
        const JpegResult result = decodeBytes(r.bytes, image);
        EXPECT_FALSE(result);
        EXPECT_NE(result.error.find(r.reason), std::string::npos) << result.error;
    }
}

TEST(JpegDecoder, ForgedHugeHeaderAllocatesNothing) {
    JpegBuilder b;
    b.soi().dqt(0, flatQuantisation()).sof(65535, 65535, kGrey);
    DibImage image;
    EXPECT_FALSE(decodeBytes(b.bytes, image));
    EXPECT_FALSE(image.hasPixels());
    EXPECT_EQ(image.width(), 0);

    // The limit is the caller's to lower (the fuzz target does).
    JpegDecodeOptions small;
    small.maxPixels = 63;
    const auto picture = greyPicture(8, 8, EntropyWriter().block(0).finish());
    MemorySource source(picture);
    JpegStream stream;
    EXPECT_FALSE(stream.decode(source, image, small));
}

TEST(JpegDecoder, GreyscaleDecodesOnBothPaths) {
    // Two blocks: flat 138, then a DC step back to 118 with one AC term.
    const auto data =
        EntropyWriter().block(dcFor(138)).block(dcFor(118) - dcFor(138), {{0, 40}}).finish();
    const auto bytes = greyPicture(16, 8, data);
    for (KernelPath path : {KernelPath::Portable, KernelPath::Sse2}) {
        DibImage image;
        ASSERT_TRUE(decodeBytes(bytes, image, path));
        EXPECT_EQ(pixelAt(image, 0, 0)[0], 138);
        EXPECT_EQ(pixelAt(image, 7, 7)[2], 138);
        EXPECT_EQ(pixelAt(image, 7, 7)[3], 0);
        // Coefficient 1 is horizontal: brighter on the left, darker on the right.
        EXPECT_GT(pixelAt(image, 8, 3)[1], pixelAt(image, 15, 3)[1]);
    }
}

TEST(JpegDecoder, SixteenBitQuantisationEqualsEightBit) {
    const auto data = EntropyWriter().block(30, {{0, 7}, {2, -5}, {10, 3}}).finish();
    DibImage eight, sixteen;
    ASSERT_TRUE(decodeBytes(greyPicture(8, 8, data, 0, false, 9), eight));
    ASSERT_TRUE(decodeBytes(greyPicture(8, 8, data, 0, true, 9), sixteen));
    EXPECT_EQ(0, std::memcmp(eight.pixels(), sixteen.pixels(), 8 * 8 * 4));
}

TEST(JpegDecoder, RestartMarkersResetThePredictors) {
    // Three MCUs, a marker after each but the last. Each block adds +80 to
    // the DC predictor: with the reset every block is 138, without it they
    // would climb to 148 and 158.
    const auto data = EntropyWriter()
                          .block(dcFor(138))
                          .restart(0)
                          .block(dcFor(138))
                          .restart(1)
                          .block(dcFor(138))
                          .finish();
    DibImage image;
    const JpegResult result = decodeBytes(greyPicture(24, 8, data, 1), image);
    ASSERT_TRUE(result) << result.error;
    EXPECT_TRUE(result.messages.empty());
    for (int x : {0, 8, 16}) {
        EXPECT_EQ(pixelAt(image, x, 0)[0], 138) << "block at " << x;
    }
}

TEST(JpegDecoder, MissingRestartMarkerAbandonsTheScanWithAMessage) {
    // Three MCUs per row, two rows; after the first MCU comes SOI instead of RST0.
    auto data = EntropyWriter().block(dcFor(200)).finish();
    data.insert(data.end(), {0xFF, 0xD8});
    const auto rest = EntropyWriter().block(0).block(0).block(0).block(0).block(0).finish();
    data.insert(data.end(), rest.begin(), rest.end());
    DibImage image;
    // Memory of an earlier picture must not show through either.
    ASSERT_TRUE(decodeBytes(
        greyPicture(
            24, 16,
            EntropyWriter().block(dcFor(90)).block(0).block(0).block(0).block(0).block(0).finish()),
        image));
    const JpegResult result = decodeBytes(greyPicture(24, 16, data, 1), image);
    ASSERT_TRUE(result) << result.error;
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0], "Going Out value=FFD8 rs_int=1");
    EXPECT_EQ(pixelAt(image, 0, 0)[0], 200);
    EXPECT_EQ(pixelAt(image, 8, 0)[0], 0);   // the rest of the row: black
    EXPECT_EQ(pixelAt(image, 3, 12)[1], 0);  // the rows below: black
}

TEST(JpegDecoder, DataPastTheEndDecodesAsZeros) {
    // A scan without any entropy data and without EOI: zero bits are DC 0
    // and end-of-block, a flat mid-grey.
    JpegBuilder b;
    b.soi().dqt(0, flatQuantisation()).sof(16, 16, kGrey).simpleTables().sos(kGreyScan);
    DibImage image;
    const JpegResult result = decodeBytes(b.bytes, image);
    ASSERT_TRUE(result) << result.error;
    EXPECT_EQ(pixelAt(image, 15, 15)[0], 128);
}

TEST(JpegDecoder, BitmapMemoryFailureStillLoadsWithoutPixels) {
    const auto bytes = greyPicture(8, 8, EntropyWriter().block(0).finish());
    DibImage image;
    image.setMemoryLimit(100);
    MemorySource source(bytes);
    JpegStream stream;
    const JpegResult result = stream.decode(source, image);
    ASSERT_TRUE(result) << result.error;
    EXPECT_FALSE(image.hasPixels());
    EXPECT_EQ(image.totalSize(), 0u);
    EXPECT_EQ(image.bitCount(), 0);
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0], "Unable to allocate DIB memory");
    EXPECT_FALSE(image.copyPacked());
}

// Hands out the bytes a few at a time, so that refills split every pair.
class TrickleSource final : public ByteSource {
  public:
    explicit TrickleSource(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    std::size_t read(std::uint8_t* destination, std::size_t count) override {
        const std::size_t n = std::min({count, bytes_.size() - position_, 1 + position_ % 7});
        std::memcpy(destination, bytes_.data() + position_, n);
        position_ += n;
        return n;
    }

  private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t position_ = 0;
};

class JpegDecoderWithEncoder : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!run("command -v cjpeg >/dev/null")) {
            GTEST_SKIP() << "cjpeg (libjpeg-turbo-progs) is needed";
        }
    }
    std::vector<std::uint8_t> encode(int width, int height, const std::string& options) {
        const std::string ppm = scratch_.path() + "/in.ppm";
        const std::string jpg = scratch_.path() + "/out.jpg";
        EXPECT_TRUE(writePpm(ppm, synthesizePhoto(width, height, 3), width, height));
        EXPECT_TRUE(run("cjpeg " + options + " -outfile " + jpg + " " + ppm));
        return readFile(jpg).value_or(std::vector<std::uint8_t>{});
    }
    ScratchDirectory scratch_;
};

TEST_F(JpegDecoderWithEncoder, RefillsSplittingStuffedBytesAndMarkersChangeNothing) {
    const auto bytes = encode(200, 120, "-quality 97 -sample 2x2 -restart 2B");
    DibImage whole, trickled;
    ASSERT_TRUE(decodeBytes(bytes, whole));
    TrickleSource source(bytes);
    JpegStream stream;
    ASSERT_TRUE(stream.decode(source, trickled));
    EXPECT_GT(stream.inputRefills(), 1000);
    EXPECT_EQ(0, std::memcmp(whole.pixels(), trickled.pixels(), 200 * 120 * 4));
}

TEST_F(JpegDecoderWithEncoder, TruncatedPictureDecodesItsBeginning) {
    const auto bytes = encode(64, 64, "-quality 90 -sample 2x2");
    DibImage whole, cut;
    ASSERT_TRUE(decodeBytes(bytes, whole));
    const std::vector<std::uint8_t> half(
        bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 2));
    ASSERT_TRUE(decodeBytes(half, cut));
    // The top MCU row (16 picture rows, the last 16 bitmap rows) is complete.
    const std::size_t rowBytes = 64 * 4;
    EXPECT_EQ(0, std::memcmp(whole.pixels() + 48 * rowBytes, cut.pixels() + 48 * rowBytes,
                             16 * rowBytes));
}

TEST(PictureOffset, ReadsTheReferenceAsAtoiDoes) {
    EXPECT_EQ(pictureOffset("0"), 0);
    EXPECT_EQ(pictureOffset("1234"), 1234);
    EXPECT_EQ(pictureOffset("  56x"), 56);
    EXPECT_EQ(pictureOffset("+7"), 7);
    EXPECT_EQ(pictureOffset("-12"), -12);
    EXPECT_EQ(pictureOffset("photo"), 0);
    EXPECT_EQ(pictureOffset(""), 0);
    EXPECT_GT(pictureOffset("99999999999999999999999999"), 0);  // saturates, no overflow
}

TEST(Picture, LoadsByOffsetFromThePackage) {
    ScratchDirectory scratch;
    const auto jpeg = greyPicture(16, 8, EntropyWriter().block(dcFor(150)).block(0).finish());
    const std::string package = scratch.path() + "/film.flz";
    {
        std::ofstream out(package, std::ios::binary);
        out << "PACKAGE!";  // 8 bytes before the picture
        out.write(reinterpret_cast<const char*>(jpeg.data()),
                  static_cast<std::streamsize>(jpeg.size()));
        out.write(reinterpret_cast<const char*>(jpeg.data()),
                  static_cast<std::streamsize>(jpeg.size()));
    }
    std::vector<std::string> shown;
    Picture picture(package, [&](const std::string& text) { shown.push_back(text); });

    struct Case {
        std::string reference;
        bool loads;
    };
    const Case cases[] = {
        {"8", true},   {std::to_string(8 + jpeg.size()), true},  // the second copy
        {"0", false},                                            // "PACKAGE!" is no JPEG
        {"-8", false}, {"100000", false},                        // past the end of the package
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reference);
        EXPECT_EQ(picture.load(c.reference), c.loads) << picture.lastError();
        if (c.loads) {
            EXPECT_EQ(picture.width(), 16);
            EXPECT_EQ(picture.height(), 8);
            ASSERT_TRUE(picture.copyPacked());
            EXPECT_EQ(picture.copyPacked()->pixels()[0], 150);
        } else {
            EXPECT_EQ(picture.image(), nullptr);
            EXPECT_FALSE(picture.copyPacked());
        }
    }
    EXPECT_NE(picture.lastError(), "");
    EXPECT_TRUE(shown.empty());

    // A picture at offset 0.
    const std::string bare = scratch.path() + "/bare.jpg";
    std::ofstream(bare, std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg.data()),
               static_cast<std::streamsize>(jpeg.size()));
    Picture first(bare);
    EXPECT_TRUE(first.load("0"));
    first.release();
    EXPECT_EQ(first.width(), 0);

    Picture missing(scratch.path() + "/no such film.flz");
    EXPECT_FALSE(missing.load("0"));
}

}  // namespace
}  // namespace imaging
