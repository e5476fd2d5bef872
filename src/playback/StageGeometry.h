#pragma once

namespace playback {

struct StageRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const StageRect&) const = default;
};

// The stage: the even-sized rectangle of the client area in which every frame
// of the show is composed. Size mode 0 is 640 x 480, 2 is 1024 x 768, 3 and
// above 1280 x 1024; mode 1 takes the largest of the four that fits the
// client area. A client strictly larger than that size in both directions
// centres it; otherwise the stage is the largest rectangle of its aspect that
// fits, centred.
StageRect computeStage(int clientWidth, int clientHeight, int sizeMode);

// The largest even 4:3 rectangle that fits the client area, centred: for
// screens where the four fixed sizes waste space.
StageRect computeFilledStage(int clientWidth, int clientHeight);

}  // namespace playback
