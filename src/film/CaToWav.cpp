#include "film/CaToWav.h"

#include <algorithm>
#include <fstream>
#include <limits>

#include "film/WavFile.h"
#include "platform/Trace.h"

namespace film {

namespace {

uint32_t readU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

constexpr uint32_t BLOCK_DATA_BYTES = CA_BLOCK_SAMPLES * 2;

}  // namespace

CaBlockResult decodeCaBlock(lpc::G7231Decoder& decoder,
                            std::span<const uint8_t, CA_MAX_PAYLOAD> payload, uint32_t frameMap,
                            std::span<int16_t, CA_BLOCK_SAMPLES> out) {
    CaBlockResult result;
    size_t position = 0;
    for (int slot = 0; slot < CA_BLOCK_SLOTS; ++slot) {
        const std::span<int16_t, lpc::FRAME_LEN> samples(out.data() + slot * lpc::FRAME_LEN,
                                                         lpc::FRAME_LEN);
        const int slotBytes = CA_SLOT_BYTES[(frameMap >> (2 * slot)) & 3];
        if (slotBytes == 0) {
            std::fill(samples.begin(), samples.end(), int16_t{0});
            continue;
        }
        // Sixteen slots of at most 24 bytes fit the 384-byte buffer.
        const auto frame = payload.subspan(position, size_t(slotBytes));
        const lpc::G7231Decoder::FrameResult decoded = decoder.decodeFrame(frame, samples);
        if (decoded.length != slotBytes) {
            result.mismatches[result.mismatchCount++] = {slot, slotBytes, decoded.length};
        }
        position += size_t(slotBytes);
    }
    return result;
}

const char* caWalkEndText(CaWalkEnd end) {
    switch (end) {
        case CaWalkEnd::EndOfRange:
            return "end of range";
        case CaWalkEnd::TruncatedHeader:
            return "block header cut off by the end of the range";
        case CaWalkEnd::PayloadTooLong:
            return "payload length above 384";
        case CaWalkEnd::PayloadPastRange:
            return "payload runs past the end of the range";
        case CaWalkEnd::ReadFailed:
            return "package ends inside the range";
        case CaWalkEnd::WavFull:
            return "WAV file would exceed its 32-bit size fields";
        case CaWalkEnd::WriteFailed:
            return "writing the WAV file failed";
    }
    return "?";
}

CaWavResult writeCaAsWav(std::istream& in, uint64_t size, std::iostream& out,
                         lpc::G7231Decoder& decoder, const CaMismatchHandler& onMismatch) {
    CaWavResult result;
    out.seekp(0);
    writeWavHeader(out, 0);

    std::array<uint8_t, CA_MAX_PAYLOAD> payload;
    std::array<int16_t, CA_BLOCK_SAMPLES> samples;
    std::array<char, BLOCK_DATA_BYTES> bytes;
    uint64_t q = 0;
    while (q < size) {
        if (size - q < CA_BLOCK_HEADER) {
            result.end = CaWalkEnd::TruncatedHeader;
            break;
        }
        uint8_t header[CA_BLOCK_HEADER];
        if (!in.read(reinterpret_cast<char*>(header), CA_BLOCK_HEADER)) {
            result.end = CaWalkEnd::ReadFailed;
            break;
        }
        const uint32_t length = readU32(header) >> 16;
        const uint32_t frameMap = readU32(header + 4);
        if (length > CA_MAX_PAYLOAD) {
            result.end = CaWalkEnd::PayloadTooLong;
            break;
        }
        if (length > size - q - CA_BLOCK_HEADER) {
            result.end = CaWalkEnd::PayloadPastRange;
            break;
        }
        if (result.dataBytes > std::numeric_limits<uint32_t>::max() - 36 - BLOCK_DATA_BYTES) {
            result.end = CaWalkEnd::WavFull;
            break;
        }
        payload.fill(0);
        if (!in.read(reinterpret_cast<char*>(payload.data()), length)) {
            result.end = CaWalkEnd::ReadFailed;
            break;
        }

        const CaBlockResult block = decodeCaBlock(decoder, payload, frameMap, samples);
        for (int i = 0; i < block.mismatchCount; ++i) {
            ++result.mismatches;
            if (onMismatch) {
                onMismatch(q, block.mismatches[i]);
            }
        }
        for (int i = 0; i < CA_BLOCK_SAMPLES; ++i) {
            const auto v = static_cast<uint16_t>(samples[i]);
            bytes[2 * i] = static_cast<char>(v & 0xff);
            bytes[2 * i + 1] = static_cast<char>(v >> 8);
        }
        if (!out.write(bytes.data(), bytes.size())) {
            result.end = CaWalkEnd::WriteFailed;
            return result;
        }
        result.dataBytes += BLOCK_DATA_BYTES;
        ++result.blocks;
        q += CA_BLOCK_HEADER + length;
    }

    out.flush();
    if (!patchWavSizes(out, result.dataBytes)) {
        result.end = CaWalkEnd::WriteFailed;
    }
    return result;
}

int decodeCaToWav(platform::Dialogs& dialogs, lpc::NoiseRing& noise, const std::string& packagePath,
                  uint64_t offset, uint64_t size, const std::string& outputPath) {
    std::ifstream package(packagePath, std::ios::binary);
    if (!package) {
        dialogs.messageBox("File open error!", "", platform::MB_ICONERROR);
        return 0;
    }
    std::fstream wav(outputPath, std::ios::in | std::ios::out | std::ios::trunc | std::ios::binary);
    if (!wav) {
        platform::trace("decodeCaToWav: cannot create %s", outputPath.c_str());
        return 0;
    }
    if (offset > uint64_t(std::numeric_limits<std::streamoff>::max()) ||
        !package.seekg(std::streamoff(offset))) {
        // Nothing of the range exists: the walk reads nothing and ends.
        package.setstate(std::ios::failbit);
    }

    lpc::G7231Decoder decoder(noise);
    bool told = false;
    const CaWavResult result =
        writeCaAsWav(package, size, wav, decoder, [&](uint64_t block, const CaSlotMismatch& m) {
            platform::trace(
                "decodeCaToWav: %s: block at %llu, slot %d: a %d-byte slot holds a frame of %d "
                "bytes",
                packagePath.c_str(), static_cast<unsigned long long>(offset + block), m.slot,
                m.slotBytes, m.frameBytes);
            // One box per file: a file of 5.3 kbit/s frames, which only fit
            // 24-byte slots, mismatches in every slot.
            if (!told) {
                told = true;
                dialogs.messageBox("Decode size unmatch", "", platform::MB_ICONERROR);
            }
        });
    if (result.end != CaWalkEnd::EndOfRange) {
        platform::trace("decodeCaToWav: %s: stopped after %d blocks: %s", packagePath.c_str(),
                        result.blocks, caWalkEndText(result.end));
    }
    if (result.end == CaWalkEnd::WriteFailed) {
        return 0;
    }
    wav.close();
    return wav.fail() ? 0 : 1;
}

}  // namespace film
