#pragma once

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless/HeadlessPlatform.h"
#include "playback/PlayerWindow.h"
#include "shell/Viewer.h"

// The viewer with our player on the headless platform, as the show tests
// run it; and JPEG photos for their films.
namespace playback::test {

// Plays the package from start to end with the calling thread as the
// window thread; returns the viewer's exit code.
inline int playOnHeadless(platform::HeadlessPlatform& platform, const std::string& package) {
    platform::VirtualClock::Participant mainThread(platform.virtualClock());
    shell::ViewerOptions viewer;
    viewer.filmPath = package;
    PlayerOptions playerOptions;
    playerOptions.effectSeed = 7;
    return shell::runViewer(platform, viewer, [playerOptions](const ShowContext& context) {
        return std::make_unique<PlayerWindow>(context, playerOptions);
    });
}

// Writes rgb (top row first, 3 bytes a pixel) as a 4:4:4 JPEG file.
inline void writeJpeg(const std::string& path, const std::vector<std::uint8_t>& rgb, int width,
                      int height) {
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    ASSERT_EQ(tjCompress2(handle, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size, TJSAMP_444,
                          95, 0),
              0);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(jpeg), static_cast<std::streamsize>(size));
    tjFree(jpeg);
    tjDestroy(handle);
}

}  // namespace playback::test
