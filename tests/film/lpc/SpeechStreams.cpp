#include "SpeechStreams.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

#include "film/lpc/G7231Decoder.h"
#include "platform/ReferenceSpeechDecoder.h"
#include "platform/TempFiles.h"

namespace film::lpc::test {

namespace {

class BitWriter {
  public:
    explicit BitWriter(size_t bytes) : bytes_(bytes, 0) {}
    void put(uint32_t value, int count) {
        for (int i = 0; i < count; ++i, ++position_) {
            bytes_[position_ >> 3] |= uint8_t(((value >> i) & 1u) << (position_ & 7));
        }
    }
    Frame take() { return std::move(bytes_); }

  private:
    Frame bytes_;
    size_t position_ = 0;
};

}  // namespace

std::optional<Bytes> encodeSpeech(const std::string& text, const std::string& voice, double gain,
                                  std::string* error) {
    auto dir = platform::TempDirectory::create(error);
    if (!dir) {
        return std::nullopt;
    }
    const std::string wav = dir->path() + "/speech.wav";
    const std::string tco = dir->path() + "/speech.tco";
    const std::string speak =
        "espeak-ng -v '" + voice + "' -s 160 -w '" + wav + "' '" + text + "' 2>/dev/null";
    if (std::system(speak.c_str()) != 0) {
        *error = "espeak-ng failed (scripts/install-deps.sh installs it): " + speak;
        return std::nullopt;
    }
    char volume[32];
    std::snprintf(volume, sizeof volume, "volume=%.3f", gain);
    const std::string encode = "ffmpeg -hide_banner -loglevel error -y -i '" + wav + "' -af " +
                               volume + " -ar 8000 -ac 1 -c:a g723_1 -b:a 6300 -f g723_1 '" + tco +
                               "'";
    if (std::system(encode.c_str()) != 0) {
        *error = "ffmpeg failed (scripts/install-deps.sh installs it): " + encode;
        return std::nullopt;
    }
    std::ifstream in(tco, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<Frame> splitFrames(std::span<const uint8_t> stream) {
    std::vector<Frame> frames;
    size_t at = 0;
    while (at < stream.size()) {
        const size_t length = size_t(FRAME_BYTES[stream[at] & 3]);
        if (at + length > stream.size()) {
            break;
        }
        frames.emplace_back(stream.begin() + long(at), stream.begin() + long(at + length));
        at += length;
    }
    return frames;
}

Frame packRate53(const FrameParameters& p) {
    BitWriter bits(20);
    bits.put(1, 2);
    bits.put(p.lspIndex, 24);
    bits.put(uint32_t(p.pitchLag[0] - PITCH_MIN), 7);
    bits.put(uint32_t(p.subframes[1].adaptiveLag), 2);
    bits.put(uint32_t(p.pitchLag[1] - PITCH_MIN), 7);
    bits.put(uint32_t(p.subframes[3].adaptiveLag), 2);
    for (const SubframeParameters& sf : p.subframes) {
        bits.put(uint32_t(sf.adaptiveGain * GAIN_LEVELS + sf.fixedGain), 12);
    }
    for (const SubframeParameters& sf : p.subframes) {
        bits.put(uint32_t(sf.grid), 1);
    }
    for (const SubframeParameters& sf : p.subframes) {
        bits.put(uint32_t(sf.positions), 12);
    }
    for (const SubframeParameters& sf : p.subframes) {
        bits.put(uint32_t(sf.signs), 4);
    }
    return bits.take();
}

Frame packRate63(const FrameParameters& p) {
    BitWriter bits(24);
    bits.put(0, 2);
    bits.put(p.lspIndex, 24);
    bits.put(uint32_t(p.pitchLag[0] - PITCH_MIN), 7);
    bits.put(uint32_t(p.subframes[1].adaptiveLag), 2);
    bits.put(uint32_t(p.pitchLag[1] - PITCH_MIN), 7);
    bits.put(uint32_t(p.subframes[3].adaptiveLag), 2);
    for (int i = 0; i < SUBFRAMES; ++i) {
        const SubframeParameters& sf = p.subframes[i];
        uint32_t combined = uint32_t(sf.adaptiveGain * GAIN_LEVELS + sf.fixedGain);
        if (p.pitchLag[i >> 1] < SUBFRAME_LEN - 2) {
            combined |= uint32_t(sf.pulseTrain) << 11;
        }
        bits.put(combined, 12);
    }
    for (const SubframeParameters& sf : p.subframes) {
        bits.put(uint32_t(sf.grid), 1);
    }
    bits.put(0, 1);
    const auto& sf = p.subframes;
    const uint32_t high =
        (uint32_t(sf[0].positions >> 16) * 9 + uint32_t(sf[1].positions >> 14)) * 90 +
        uint32_t(sf[2].positions >> 16) * 9 + uint32_t(sf[3].positions >> 14);
    bits.put(high, 13);
    bits.put(uint32_t(sf[0].positions) & 0xffff, 16);
    bits.put(uint32_t(sf[1].positions) & 0x3fff, 14);
    bits.put(uint32_t(sf[2].positions) & 0xffff, 16);
    bits.put(uint32_t(sf[3].positions) & 0x3fff, 14);
    bits.put(uint32_t(sf[0].signs), 6);
    bits.put(uint32_t(sf[1].signs), 5);
    bits.put(uint32_t(sf[2].signs), 6);
    bits.put(uint32_t(sf[3].signs), 5);
    return bits.take();
}

Frame packSid(uint32_t lspIndex, int gainIndex) {
    BitWriter bits(4);
    bits.put(2, 2);
    bits.put(lspIndex, 24);
    bits.put(uint32_t(gainIndex), 6);
    return bits.take();
}

std::vector<Frame> toRate53(const std::vector<Frame>& rate63Frames) {
    std::mt19937 random(723);
    std::vector<Frame> frames;
    for (const Frame& f : rate63Frames) {
        FrameParameters p;
        if (unpackFrame(f, p) != UnpackStatus::Ok || p.type != FrameType::Rate63) {
            continue;
        }
        p.type = FrameType::Rate53;
        for (SubframeParameters& sf : p.subframes) {
            sf.positions = int32_t(random() & 0xfff);
            sf.signs = int(random() & 0xf);
        }
        frames.push_back(packRate53(p));
    }
    return frames;
}

std::vector<Frame> randomFrames(FrameType rate, int count, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<Frame> frames;
    for (int k = 0; k < count; ++k) {
        FrameParameters p;
        p.type = rate;
        p.lspIndex = random() & 0xffffff;
        p.pitchLag = {int(random() % 124) + PITCH_MIN, int(random() % 124) + PITCH_MIN};
        for (int i = 0; i < SUBFRAMES; ++i) {
            SubframeParameters& sf = p.subframes[i];
            const bool smallTable = rate == FrameType::Rate63 && p.pitchLag[i >> 1] < 58;
            sf.adaptiveLag = (i & 1) ? int(random() % 4) : 1;
            sf.adaptiveGain = int(random() % (smallTable ? 85 : 170));
            sf.fixedGain = int(random() % GAIN_LEVELS);
            sf.grid = int(random() % 2);
            sf.pulseTrain = smallTable ? int(random() % 2) : 0;
            if (rate == FrameType::Rate63) {
                sf.positions = int32_t(random() % uint32_t(MAX_POSITION_CODE[i]));
                sf.signs = int(random() % ((i & 1) ? 32 : 64));
            } else {
                sf.positions = int32_t(random() & 0xfff);
                sf.signs = int(random() & 0xf);
            }
        }
        frames.push_back(rate == FrameType::Rate63 ? packRate63(p) : packRate53(p));
    }
    return frames;
}

Bytes packCa(const std::vector<Frame>& frames) {
    Bytes out;
    for (size_t first = 0; first < frames.size(); first += 16) {
        uint32_t map = 0;
        Bytes payload;
        for (size_t k = 0; k < 16 && first + k < frames.size(); ++k) {
            const Frame& f = frames[first + k];
            const uint32_t code = f.size() == 1 ? 1 : f.size() == 4 ? 2 : 3;
            map |= code << (2 * k);
            Bytes slot(code == 1 ? 1 : code == 2 ? 4 : 24, 0);
            std::copy(f.begin(), f.end(), slot.begin());
            payload.insert(payload.end(), slot.begin(), slot.end());
        }
        const uint32_t header = uint32_t(payload.size()) << 16;
        for (int i = 0; i < 4; ++i) {
            out.push_back(uint8_t(header >> (8 * i)));
        }
        for (int i = 0; i < 4; ++i) {
            out.push_back(uint8_t(map >> (8 * i)));
        }
        out.insert(out.end(), payload.begin(), payload.end());
    }
    return out;
}

std::vector<int16_t> referenceDecode(const std::vector<Frame>& frames) {
    std::string error;
    auto reference = platform::ReferenceSpeechDecoder::create(
        platform::ReferenceSpeechDecoder::PostFilter::Off, &error);
    EXPECT_NE(reference, nullptr) << error;
    std::vector<int16_t> samples(frames.size() * FRAME_LEN, 0);
    if (reference == nullptr) {
        return samples;
    }
    for (size_t k = 0; k < frames.size(); ++k) {
        EXPECT_TRUE(reference->decodeFrame(
            frames[k], std::span<int16_t, FRAME_LEN>(&samples[k * FRAME_LEN], FRAME_LEN)))
            << "frame " << k;
    }
    return samples;
}

std::vector<int16_t> ourDecode(const std::vector<Frame>& frames, fx::Arithmetic arithmetic) {
    NoiseRing ring;
    G7231Decoder decoder(ring, arithmetic);
    std::vector<int16_t> samples(frames.size() * FRAME_LEN, 0);
    for (size_t k = 0; k < frames.size(); ++k) {
        decoder.decodeFrame(frames[k],
                            std::span<int16_t, FRAME_LEN>(&samples[k * FRAME_LEN], FRAME_LEN));
    }
    return samples;
}

double frameEnergyDb(std::span<const int16_t> samples, size_t k) {
    double sum = 0;
    for (size_t i = k * FRAME_LEN; i < (k + 1) * FRAME_LEN; ++i) {
        sum += double(samples[i]) * samples[i];
    }
    return sum == 0 ? 0.0 : 10.0 * std::log10(sum / FRAME_LEN);
}

}  // namespace film::lpc::test
