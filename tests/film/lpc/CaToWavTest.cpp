#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "RecordingDialogs.h"
#include "SpeechStreams.h"
#include "film/CaToWav.h"
#include "film/WavFile.h"
#include "platform/TempFiles.h"
#include "platform/Trace.h"

namespace film {
namespace {

using lpc::test::Bytes;

using test::RecordingDialogs;

Bytes blockHeader(uint32_t payloadLength, uint32_t frameMap) {
    Bytes b;
    const uint32_t header = (payloadLength << 16) | 0x1234;  // low half unused
    for (int i = 0; i < 4; ++i) {
        b.push_back(uint8_t(header >> (8 * i)));
    }
    for (int i = 0; i < 4; ++i) {
        b.push_back(uint8_t(frameMap >> (8 * i)));
    }
    return b;
}

Bytes block(uint32_t frameMap, const Bytes& payload) {
    Bytes b = blockHeader(uint32_t(payload.size()), frameMap);
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

uint32_t u32At(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

// A real 6.3 kbit/s frame: all-zero fields are legal and decode to a
// defined, quiet sound (lag 18, smallest gains).
Bytes quietFrame() {
    return Bytes(24, 0);
}

// A 5.3 kbit/s frame with legal fields.
Bytes rate53Frame() {
    lpc::FrameParameters p;
    p.lspIndex = 0x102030;
    p.pitchLag = {60, 70};
    for (auto& sf : p.subframes) {
        sf.adaptiveGain = 40;
        sf.fixedGain = 12;
        sf.positions = 0x5a5;
        sf.signs = 0x9;
    }
    return lpc::test::packRate53(p);
}

class CaToWavTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto dir = platform::TempDirectory::create();
        ASSERT_TRUE(dir);
        dir_.emplace(std::move(*dir));
        previousSink_ =
            platform::setTraceSink([this](std::string_view line) { traces_.emplace_back(line); });
    }
    void TearDown() override { platform::setTraceSink(std::move(previousSink_)); }

    std::string path(const std::string& name) const { return dir_->path() + "/" + name; }

    void writeFile(const std::string& name, const Bytes& bytes) const {
        std::ofstream out(path(name), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }

    static Bytes readFile(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Decodes `ca` as a whole package and returns the WAV file's bytes.
    Bytes convert(const Bytes& ca, int* result = nullptr) {
        writeFile("package.flz", ca);
        const int r =
            decodeCaToWav(dialogs_, ring_, path("package.flz"), 0, ca.size(), path("music.wav"));
        if (result != nullptr) {
            *result = r;
        }
        return readFile(path("music.wav"));
    }

    static std::vector<int16_t> samplesOf(const Bytes& wav) {
        std::vector<int16_t> s;
        for (size_t i = WAV_HEADER_BYTES; i + 1 < wav.size(); i += 2) {
            s.push_back(int16_t(uint16_t(wav[i] | wav[i + 1] << 8)));
        }
        return s;
    }

    // The sizes in the header agree with the file.
    static void expectConsistentHeader(const Bytes& wav) {
        ASSERT_GE(wav.size(), size_t(WAV_HEADER_BYTES));
        EXPECT_EQ(u32At(wav, 4), wav.size() - 8);
        EXPECT_EQ(u32At(wav, 40), wav.size() - WAV_HEADER_BYTES);
    }

    std::optional<platform::TempDirectory> dir_;
    RecordingDialogs dialogs_;
    lpc::NoiseRing ring_;
    std::vector<std::string> traces_;
    platform::TraceSink previousSink_;
};

TEST_F(CaToWavTest, EmptyRangeGivesAnEmptyWav) {
    int result = 0;
    const Bytes wav = convert({}, &result);
    EXPECT_EQ(result, 1);
    const Bytes expected = {'R', 'I', 'F',  'F',  36,  0,   0,    0,    'W', 'A', 'V',
                            'E', 'f', 'm',  't',  ' ', 16,  0,    0,    0,   1,   0,
                            1,   0,   0x40, 0x1f, 0,   0,   0x80, 0x3e, 0,   0,   2,
                            0,   16,  0,    'd',  'a', 't', 'a',  0,    0,   0,   0};
    EXPECT_EQ(wav, expected);
    EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(CaToWavTest, OneFrameFillsAWholeBlock) {
    const Bytes wav = convert(block(3, quietFrame()));
    expectConsistentHeader(wav);
    ASSERT_EQ(u32At(wav, 40), 7680u);

    // Slot 0 is the frame, slots 1..15 (code 0) are silence.
    std::vector<int16_t> expected(3840, 0);
    lpc::NoiseRing ring;
    lpc::G7231Decoder decoder(ring);
    const Bytes frame = quietFrame();
    decoder.decodeFrame(frame, std::span<int16_t, 240>(expected.data(), 240));
    EXPECT_EQ(samplesOf(wav), expected);
    EXPECT_TRUE(dialogs_.boxes.empty());
}

// A 24-byte slot whose frame says 5.3 kbit/s (20 bytes): one box, and the
// next frame is still taken 24 bytes on.
TEST_F(CaToWavTest, SlotLongerThanItsFrameIsReportedAndSkippedWhole) {
    Bytes first = rate53Frame();
    first.resize(24, 0xee);
    const Bytes payload = concat({first, quietFrame()});
    const Bytes wav = convert(block(3 | 3 << 2, payload));
    expectConsistentHeader(wav);

    ASSERT_EQ(dialogs_.boxes.size(), 1u);
    EXPECT_EQ(dialogs_.boxes[0].text, "Decode size unmatch");
    EXPECT_EQ(dialogs_.boxes[0].caption, "");
    EXPECT_EQ(dialogs_.boxes[0].style, platform::MB_ICONERROR);
    ASSERT_EQ(traces_.size(), 1u);
    EXPECT_NE(traces_[0].find("a 24-byte slot holds a frame of 20 bytes"), std::string::npos)
        << traces_[0];

    lpc::NoiseRing ring;
    lpc::G7231Decoder decoder(ring);
    std::vector<int16_t> expected(3840, 0);
    decoder.decodeFrame(rate53Frame(), std::span<int16_t, 240>(expected.data(), 240));
    decoder.decodeFrame(quietFrame(), std::span<int16_t, 240>(expected.data() + 240, 240));
    EXPECT_EQ(samplesOf(wav), expected);
}

// Every mismatch is traced, but the user hears of it once per file.
TEST_F(CaToWavTest, ManyMismatchesRaiseOneBox) {
    Bytes slot = rate53Frame();
    slot.resize(24, 0);
    Bytes payload;
    for (int k = 0; k < 16; ++k) {
        payload.insert(payload.end(), slot.begin(), slot.end());
    }
    const Bytes ca = concat({block(0xffffffff, payload), block(0xffffffff, payload)});
    const Bytes wav = convert(ca);
    EXPECT_EQ(u32At(wav, 40), 2 * 7680u);
    EXPECT_EQ(dialogs_.boxes.size(), 1u);
    EXPECT_EQ(traces_.size(), 32u);

    // The next file gets its own box.
    convert(ca);
    EXPECT_EQ(dialogs_.boxes.size(), 2u);
}

// Damaged containers: the walk stops or goes on as the rules say, the
// samples written so far stay, and the header always matches the file.
TEST_F(CaToWavTest, DamagedContainersGiveDefinedWavFiles) {
    const Bytes good = block(3, quietFrame());
    struct Case {
        const char* name;
        Bytes ca;
        uint32_t dataBytes;
        int boxes;
    };
    Bytes tooLong = blockHeader(385, 0);
    tooLong.resize(8 + 385, 0);
    const Case cases[] = {
        {"payload longer than 384 ends the walk", concat({good, tooLong, good}), 7680, 0},
        {"payload past the range ends the walk", concat({good, blockHeader(24, 3), Bytes(10, 0)}),
         7680, 0},
        {"truncated block header ends the walk", concat({good, Bytes(5, 0)}), 7680, 0},
        {"map reaching past the payload reads zeros",
         concat({block(0xffffffff, Bytes(4, 0)), good}), 2 * 7680, 0},
        {"empty block is a block of silence", concat({block(0, {}), good}), 2 * 7680, 0},
        {"1-byte slot holding a full-rate frame", block(1, Bytes{0}), 7680, 1},
        {"4-byte slot holding an untransmitted frame", block(2, Bytes{3, 0, 0, 0}), 7680, 1},
        {"forbidden pitch lag decodes to silence",
         block(3, Bytes{0x00, 0, 0, 0xfc, 0x03, 0, 0, 0, 0, 0, 0, 0,
                        0,    0, 0, 0,    0,    0, 0, 0, 0, 0, 0, 0}),
         7680, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs_.boxes.clear();
        int result = 0;
        const Bytes wav = convert(c.ca, &result);
        EXPECT_EQ(result, 1);
        expectConsistentHeader(wav);
        EXPECT_EQ(u32At(wav, 40), c.dataBytes);
        EXPECT_EQ(int(dialogs_.boxes.size()), c.boxes);
    }
}

TEST_F(CaToWavTest, ForbiddenPitchLagGivesSilence) {
    // Bits 26..32 hold the first lag code; 124..127 are forbidden.
    Bytes frame(24, 0);
    frame[3] = 0xfc;  // bits 26..31
    frame[4] = 0x01;  // bit 32
    const std::vector<int16_t> samples = samplesOf(convert(block(3, frame)));
    EXPECT_EQ(samples, std::vector<int16_t>(3840, 0));
}

TEST_F(CaToWavTest, MissingPackageShowsFileOpenError) {
    const int result =
        decodeCaToWav(dialogs_, ring_, path("absent.flz"), 0, 100, path("music.wav"));
    EXPECT_EQ(result, 0);
    ASSERT_EQ(dialogs_.boxes.size(), 1u);
    EXPECT_EQ(dialogs_.boxes[0].text, "File open error!");
    EXPECT_EQ(dialogs_.boxes[0].caption, "");
    EXPECT_EQ(dialogs_.boxes[0].style, platform::MB_ICONERROR);
}

TEST_F(CaToWavTest, UncreatableOutputGivesZeroWithoutABox) {
    writeFile("package.flz", block(3, quietFrame()));
    const int result = decodeCaToWav(dialogs_, ring_, path("package.flz"), 0, 32,
                                     path("no-such-folder/music.wav"));
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(dialogs_.boxes.empty());
}

// The range sits inside a package between other bytes; a range that lies
// beyond the package's end gives an empty WAV.
TEST_F(CaToWavTest, DecodesOnlyTheGivenRange) {
    const Bytes ca =
        concat({block(3, quietFrame()), block(1 | 3 << 2, concat({{3}, quietFrame()}))});
    const Bytes standalone = convert(ca);

    const Bytes package = concat({Bytes(1000, 0xab), ca, Bytes(77, 0xcd)});
    writeFile("package.flz", package);
    ring_ = lpc::NoiseRing();  // the same comfort noise as the first time
    ASSERT_EQ(
        decodeCaToWav(dialogs_, ring_, path("package.flz"), 1000, ca.size(), path("inside.wav")),
        1);
    EXPECT_EQ(readFile(path("inside.wav")), standalone);

    ASSERT_EQ(decodeCaToWav(dialogs_, ring_, path("package.flz"), 5000, 100, path("beyond.wav")),
              1);
    const Bytes beyond = readFile(path("beyond.wav"));
    EXPECT_EQ(beyond.size(), size_t(WAV_HEADER_BYTES));
    expectConsistentHeader(beyond);
}

}  // namespace
}  // namespace film
