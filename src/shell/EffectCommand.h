#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "effects/EffectRegistry.h"
#include "platform/Result.h"

namespace CLI {
class App;
}

namespace shell {

// `photoreel effect`: one transition between two pictures, its frames
// written as PNG files at the elapsed times asked for.
struct EffectOptions {
    int slot = -1;
    std::string name;
    std::string from = "card:bars";
    std::string to = "card:checker";
    std::string size = "640x480";
    int durationMs = 1000;
    std::vector<int> at;  // empty: 0, a quarter, half, three quarters, the end
    std::string output = "effect-%03d.png";
    std::uint32_t seed = 1;
};

void addEffectCommand(CLI::App& app, EffectOptions& options);
int runEffect(const EffectOptions& options);

// A stage-sized frame: BGRX, rows bottom-up.
struct StageImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

// "WxH" with both sides 1..8192.
platform::Result<StageImage> parseStageSize(const std::string& text);

// A picture fitted to the stage as the player fits it: a JPEG (our decoder)
// or PNG file, or a built-in test card ("card:bars", "card:checker",
// "card:gradient", "card:black", "card:white") drawn at stage size.
platform::Result<bool> loadStagePicture(const std::string& source, StageImage& stage);

// The file name of frame index in a printf-like pattern with at most one
// %d conversion (flags and width allowed; %% is a percent sign).
platform::Result<std::string> frameFileName(const std::string& pattern, int index);

// Drives one picture slot as the player does: Begin, one Frame per elapsed
// value (in order, with the given duration), End. out starts as from, as
// the player's output buffer holds the outgoing picture when a transition
// begins; after each Frame, frameDone(index, out) sees the result.
void renderTransition(effects::EffectRegistry& registry, int slot, const StageImage& from,
                      const StageImage& to, int durationMs, const std::vector<int>& elapsed,
                      StageImage& out,
                      const std::function<void(int index, const StageImage& out)>& frameDone);

platform::Result<bool> writeStagePng(const std::string& path, const StageImage& image);

}  // namespace shell
