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
    std::string output;
    int fps = 30;
    std::string size = "1280x1024";  // the whole screen; the stage sits in it on black
    int crf = -1;
    std::string preset = "veryfast";
    std::uint32_t seed = 0;
    long long lengthMs = -1;  // stop after this much show time (looping films)
};

void addExportCommand(CLI::App& app, ExportOptions& options);
int runExport(const ExportOptions& options);

}  // namespace shell
