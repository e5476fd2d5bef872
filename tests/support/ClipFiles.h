#pragma once

#include <turbojpeg.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace testing_support {

// Clips and stills made by the tests themselves: clips with the ffmpeg
// command (testsrc pictures, a sine tone as sound), stills with libjpeg-turbo.

inline bool haveFfmpeg() {
    return std::system("ffmpeg -hide_banner -version >/dev/null 2>&1") == 0;
}

// codecArgs picks the codecs, e.g. "-c:v mjpeg -c:a pcm_s16le"; the
// container follows the extension of path. true when ffmpeg wrote it.
inline bool makeClip(const std::string& path, const std::string& codecArgs, double seconds,
                     int width = 160, int height = 120, int rate = 25) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::string command =
        "ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc=size=" + size +
        ":rate=" + std::to_string(rate) + ":duration=" + std::to_string(seconds) +
        " -f lavfi -i sine=frequency=440:sample_rate=44100:duration=" + std::to_string(seconds) +
        " " + codecArgs + " -shortest '" + path + "'";
    return std::system(command.c_str()) == 0 && std::filesystem::file_size(path) > 0;
}

// Cuts the file to the given share of its bytes, as an interrupted copy would.
inline void truncateFile(const std::string& path, double share) {
    const auto size = std::filesystem::file_size(path);
    std::filesystem::resize_file(path,
                                 static_cast<std::uintmax_t>(static_cast<double>(size) * share));
}

// A baseline JPEG of one colour.
inline std::vector<std::uint8_t> solidJpeg(std::uint8_t r, std::uint8_t g, std::uint8_t b,
                                           int width = 64, int height = 48) {
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0; i < pixels.size(); i += 3) {
        pixels[i] = r;
        pixels[i + 1] = g;
        pixels[i + 2] = b;
    }
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, pixels.data(), width, 0, height, TJPF_RGB, &jpeg, &size, TJSAMP_444, 95, 0);
    std::vector<std::uint8_t> bytes(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(handle);
    return bytes;
}

inline std::string writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return path;
}

}  // namespace testing_support
