#pragma once

#include <cstdint>
#include <string>

namespace CLI {
class App;
}

namespace shell {

// `photoreel export FILM -o OUT`: plays the film headless on the virtual
// clock and encodes what the screen shows at a fixed frame rate, with the
// music mixed into the audio track.
struct ExportOptions {
    std::string film;
    std::string output;     // the video file; empty with framesDir
    std::string framesDir;  // numbered PNG frames instead of a video
    int fps = 30;
    // The screen WIDTHxHEIGHT the stage is placed on; empty: the video is
    // the stage itself.
    std::string size;
    // The viewer's stage size mode 0..3; -1: the one the viewer uses (1),
    // on the screen given or else on a 1280 x 1024 screen.
    int sizeMode = -1;
    int crf = -1;
    std::string preset = "veryfast";
    std::uint32_t seed = 0;
    long long lengthMs = -1;  // stop after this much show time (looping films keep looping)
    int fromItem = 0;         // items as `photoreel info` numbers them; 0: the film's first
    int toItem = 0;           // 0: the film's last
};

void addExportCommand(CLI::App& app, ExportOptions& options);
int runExport(const ExportOptions& options);

}  // namespace shell
