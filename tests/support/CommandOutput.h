#pragma once

#include <array>
#include <cstdio>
#include <string>

namespace testing_support {

// Runs a shell command (ffprobe, ffmpeg) and returns what it wrote on
// standard output; empty when it could not be started.
inline std::string runAndRead(const std::string& command) {
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

}  // namespace testing_support
