#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include <fstream>
#include <iterator>

#include "RecordingDialogs.h"
#include "SpeechStreams.h"
#include "film/CaToWav.h"
#include "film/lpc/ComfortNoise.h"
#include "film/lpc/G7231Decoder.h"
#include "platform/TempFiles.h"

namespace film::lpc::test {
namespace {

// Real speech, encoded by FFmpeg at 6.3 kbit/s: a normal and a loud take
// (the loud one saturates the excitation and the synthesis filter).
class SpeechStreamsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::string error;
        const char* text =
            "The quick brown fox jumps over the lazy dog. Seven slides, one song, and a "
            "title that flies in from the left.";
        auto normal = encodeSpeech(text, "en", 1.0, &error);
        auto loud = encodeSpeech(text, "en-us+f3", 6.0, &error);
        if (normal && loud) {
            normal_ = new std::vector<Frame>(splitFrames(*normal));
            loud_ = new std::vector<Frame>(splitFrames(*loud));
        } else {
            error_ = new std::string(error);
        }
    }
    static void TearDownTestSuite() {
        delete normal_;
        delete loud_;
        delete error_;
        normal_ = loud_ = nullptr;
        error_ = nullptr;
    }
    void SetUp() override {
        ASSERT_EQ(error_, nullptr) << *error_;
        ASSERT_GT(normal_->size(), 100u);
    }

    static std::vector<Frame>* normal_;
    static std::vector<Frame>* loud_;
    static std::string* error_;
};

std::vector<Frame>* SpeechStreamsTest::normal_ = nullptr;
std::vector<Frame>* SpeechStreamsTest::loud_ = nullptr;
std::string* SpeechStreamsTest::error_ = nullptr;

// First differing sample, for a readable failure.
::testing::AssertionResult sameSamples(const std::vector<int16_t>& ours,
                                       const std::vector<int16_t>& reference) {
    if (ours.size() != reference.size()) {
        return ::testing::AssertionFailure()
               << "lengths " << ours.size() << " and " << reference.size();
    }
    const auto [a, b] = std::mismatch(ours.begin(), ours.end(), reference.begin());
    if (a == ours.end()) {
        return ::testing::AssertionSuccess();
    }
    const size_t at = size_t(a - ours.begin());
    return ::testing::AssertionFailure() << "sample " << at << " (frame " << at / FRAME_LEN
                                         << "): ours " << *a << ", reference " << *b;
}

constexpr fx::Arithmetic BOTH_PATHS[] = {fx::Arithmetic::PlainWhereExact,
                                         fx::Arithmetic::SaturatingOnly};

TEST_F(SpeechStreamsTest, Rate63SpeechMatchesTheReferenceBitExactly) {
    for (fx::Arithmetic arithmetic : BOTH_PATHS) {
        EXPECT_TRUE(sameSamples(ourDecode(*normal_, arithmetic), referenceDecode(*normal_)));
        EXPECT_TRUE(sameSamples(ourDecode(*loud_, arithmetic), referenceDecode(*loud_)));
    }
}

TEST_F(SpeechStreamsTest, LoudSpeechReallyReachesFullScale) {
    const std::vector<int16_t> samples = ourDecode(*loud_);
    const auto peak = std::max_element(samples.begin(), samples.end(), [](int16_t x, int16_t y) {
        return std::abs(x) < std::abs(y);
    });
    EXPECT_GE(std::abs(*peak), 30000);
}

TEST_F(SpeechStreamsTest, Rate53FramesMatchTheReferenceBitExactly) {
    const std::vector<Frame> normal = toRate53(*normal_);
    const std::vector<Frame> loud = toRate53(*loud_);
    for (fx::Arithmetic arithmetic : BOTH_PATHS) {
        EXPECT_TRUE(sameSamples(ourDecode(normal, arithmetic), referenceDecode(normal)));
        EXPECT_TRUE(sameSamples(ourDecode(loud, arithmetic), referenceDecode(loud)));
    }
}

// Random legal fields make extreme filters and gains: the saturating
// arithmetic acts, and the plain fast paths must hand over to it.
TEST(RandomFields, MatchTheReferenceBitExactly) {
    for (FrameType rate : {FrameType::Rate63, FrameType::Rate53}) {
        const std::vector<Frame> frames = randomFrames(rate, 400, 5);
        const std::vector<int16_t> reference = referenceDecode(frames);
        for (fx::Arithmetic arithmetic : BOTH_PATHS) {
            EXPECT_TRUE(sameSamples(ourDecode(frames, arithmetic), reference))
                << "rate " << int(rate) << ", arithmetic " << int(arithmetic);
        }
    }
}

TEST_F(SpeechStreamsTest, MixedRatesMatchTheReferenceBitExactly) {
    const std::vector<Frame> rate53 = toRate53(*normal_);
    std::vector<Frame> mixed;
    for (size_t k = 0; k < normal_->size() && k < rate53.size(); ++k) {
        mixed.push_back((k / 7) % 2 ? rate53[k] : (*normal_)[k]);
    }
    EXPECT_TRUE(sameSamples(ourDecode(mixed), referenceDecode(mixed)));
}

// The same streams packed in ".ca" containers and converted to WAV: the
// samples are the reference's, then silence up to the end of the last
// block. 5.3 kbit/s frames sit in 24-byte slots, which is one box per file.
TEST_F(SpeechStreamsTest, CaContainersDecodeBitExactly) {
    auto dir = platform::TempDirectory::create();
    ASSERT_TRUE(dir);
    const std::vector<Frame> rate53 = toRate53(*normal_);
    const struct {
        const std::vector<Frame>* frames;
        size_t boxes;
    } streams[] = {{normal_, 0}, {loud_, 0}, {&rate53, 1}};
    for (const auto& stream : streams) {
        const Bytes ca = packCa(*stream.frames);
        const std::string package = dir->path() + "/music.ca";
        std::ofstream(package, std::ios::binary)
            .write(reinterpret_cast<const char*>(ca.data()), std::streamsize(ca.size()));
        film::test::RecordingDialogs dialogs;
        NoiseRing ring;
        ASSERT_EQ(decodeCaToWav(dialogs, ring, package, 0, ca.size(), dir->path() + "/music.wav"),
                  1);
        EXPECT_EQ(dialogs.boxes.size(), stream.boxes);

        std::ifstream in(dir->path() + "/music.wav", std::ios::binary);
        const Bytes wav(std::istreambuf_iterator<char>(in), {});
        std::vector<int16_t> samples;
        for (size_t i = 44; i + 1 < wav.size(); i += 2) {
            samples.push_back(int16_t(uint16_t(wav[i] | wav[i + 1] << 8)));
        }
        std::vector<int16_t> expected = referenceDecode(*stream.frames);
        expected.resize((stream.frames->size() + 15) / 16 * 16 * FRAME_LEN, 0);
        EXPECT_TRUE(sameSamples(samples, expected));
    }
}

// A frame that cannot be decoded gives silence and leaves the decoder as it
// was: the frames after it decode as if it were not there.
TEST_F(SpeechStreamsTest, UndecodableFramesLeaveTheDecoderAlone) {
    Frame forbiddenLag = (*normal_)[40];
    forbiddenLag[3] |= 0xfc;  // lag code bits 26..31 and 32: 127
    forbiddenLag[4] |= 0x01;
    Frame truncated = (*normal_)[41];
    truncated.resize(10);

    NoiseRing ring;
    G7231Decoder decoder(ring);
    std::array<int16_t, FRAME_LEN> out;
    std::vector<int16_t> withBadFrames;
    for (size_t k = 0; k < 80; ++k) {
        if (k == 50) {
            out.fill(1);
            const auto bad = decoder.decodeFrame(forbiddenLag, out);
            EXPECT_EQ(bad.length, 24);
            EXPECT_EQ(bad.status, G7231Decoder::FrameStatus::ForbiddenPitchLag);
            EXPECT_EQ(out, (std::array<int16_t, FRAME_LEN>{}));
            const auto shorter = decoder.decodeFrame(truncated, out);
            EXPECT_EQ(shorter.length, -1);
            EXPECT_EQ(out, (std::array<int16_t, FRAME_LEN>{}));
        }
        decoder.decodeFrame((*normal_)[k], out);
        withBadFrames.insert(withBadFrames.end(), out.begin(), out.end());
    }
    const std::vector<Frame> clean(normal_->begin(), normal_->begin() + 80);
    EXPECT_TRUE(sameSamples(withBadFrames, referenceDecode(clean)));
}

// Speech, then a SID frame and untransmitted frames: identical up to the
// first comfort-noise frame; after it the noise comes from different random
// generators, so only its level can be compared.
TEST_F(SpeechStreamsTest, ComfortNoiseAfterSidMatchesTheReferenceByLevel) {
    std::vector<Frame> frames(normal_->begin(), normal_->begin() + 60);
    FrameParameters last;
    ASSERT_EQ(unpackFrame(frames.back(), last), UnpackStatus::Ok);
    const size_t firstNoise = frames.size();
    for (int gainIndex : {20, 36, 44}) {
        frames.push_back(packSid(last.lspIndex, gainIndex));
        for (int k = 0; k < 24; ++k) {
            frames.push_back(untransmittedFrame());
        }
    }
    const std::vector<int16_t> ours = ourDecode(frames);
    const std::vector<int16_t> reference = referenceDecode(frames);
    const size_t exact = firstNoise * FRAME_LEN;
    EXPECT_TRUE(sameSamples({ours.begin(), ours.begin() + long(exact)},
                            {reference.begin(), reference.begin() + long(exact)}));

    // Mean level over stretches of eight frames (single frames of noise
    // vary by several dB on their own).
    for (size_t k = firstNoise; k + 8 <= frames.size(); k += 8) {
        double oursDb = 0, referenceDb = 0;
        for (size_t j = k; j < k + 8; ++j) {
            oursDb += frameEnergyDb(ours, j) / 8;
            referenceDb += frameEnergyDb(reference, j) / 8;
        }
        EXPECT_NEAR(oursDb, referenceDb, 3.0) << "frames " << k << ".." << k + 7;
    }
}

// Untransmitted frames straight after speech: the Recommendation quantises
// the last speech frame's excitation energy to a SID gain and decodes it;
// FFmpeg skips the decoding step and plays the raw gain index as the gain,
// which comes out some 40 dB too weak. Ours must be the loud one.
TEST_F(SpeechStreamsTest, NoiseWithoutSidDecodesTheEstimatedGain) {
    for (size_t cut : {40u, 60u, 90u, 130u}) {
        std::vector<Frame> frames(normal_->begin(), normal_->begin() + long(cut));
        for (int k = 0; k < 16; ++k) {
            frames.push_back(untransmittedFrame());
        }
        const std::vector<int16_t> ours = ourDecode(frames);
        const std::vector<int16_t> reference = referenceDecode(frames);
        double oursDb = 0, referenceDb = 0;
        for (size_t j = cut; j < cut + 16; ++j) {
            oursDb += frameEnergyDb(ours, j) / 16;
            referenceDb += frameEnergyDb(reference, j) / 16;
        }
        EXPECT_GT(oursDb, referenceDb + 20.0) << "cut after frame " << cut;
    }
}

// The SID gain quantiser inverts the gain decoder: an energy estimate that
// corresponds exactly to gain level g (2 g^2 after scaling) quantises to g's
// index, for all 64 indices. The estimate is given as energy and shift the
// way the decoder measures it, with the energy kept in 8192..32767.
TEST(SidGain, QuantiserInvertsTheDecoder) {
    for (int index = 0; index < 64; ++index) {
        const double level = decodeSidGain(index) / 32.0;
        const double target = 2.0 * level * level;  // the scaled energy x
        bool found = index == 0;
        for (int shift = -3; shift <= 12 && !found; ++shift) {
            // x = (energy << (16 - 2 shift)) * 273 / 32768
            const double energy = target * 32768.0 / 273.0 / std::ldexp(1.0, 16 - 2 * shift);
            if (energy >= 8192 && energy <= 32767) {
                EXPECT_EQ(quantizeSidGain(int16_t(std::lround(energy)), int16_t(shift)), index)
                    << "level " << level << " shift " << shift;
                found = true;
            }
        }
        EXPECT_TRUE(found) << index;
    }
    EXPECT_EQ(quantizeSidGain(0, 0), 0);
    EXPECT_EQ(quantizeSidGain(32767, -3), 63);
}

// The noise ring runs on: a second decode of the same noise with the same
// ring gives different noise, a fresh ring repeats the first.
TEST_F(SpeechStreamsTest, NoiseRingRunsOnAcrossDecoders) {
    std::vector<Frame> frames(normal_->begin(), normal_->begin() + 30);
    frames.push_back(packSid(0x123456, 30));
    for (int k = 0; k < 5; ++k) {
        frames.push_back(untransmittedFrame());
    }
    auto decodeWith = [&](NoiseRing& ring) {
        G7231Decoder decoder(ring);
        std::vector<int16_t> samples(frames.size() * FRAME_LEN);
        for (size_t k = 0; k < frames.size(); ++k) {
            decoder.decodeFrame(frames[k],
                                std::span<int16_t, FRAME_LEN>(&samples[k * FRAME_LEN], FRAME_LEN));
        }
        return samples;
    };
    NoiseRing shared;
    NoiseRing fresh;
    const std::vector<int16_t> first = decodeWith(shared);
    const std::vector<int16_t> second = decodeWith(shared);
    EXPECT_NE(first, second);
    EXPECT_EQ(first, decodeWith(fresh));
    const size_t speech = 30 * FRAME_LEN;
    EXPECT_TRUE(std::equal(first.begin(), first.begin() + long(speech), second.begin()));
}

}  // namespace
}  // namespace film::lpc::test
