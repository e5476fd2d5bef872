#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/Clock.h"
#include "platform/Window.h"

namespace platform {

// What one present() showed.
struct PresentedFrame {
    Millis time = 0;  // on the platform clock
    int x = 0, y = 0, width = 0, height = 0;
    std::uint64_t hash = 0;    // FNV-1a over the pixels
    std::uint32_t centre = 0;  // the centre pixel's bytes (B, G, R, X from the low byte up)
};

std::uint64_t hashPixels(const FrameView& frame);

// An offscreen window: it records every frame presented (time, place and a
// hash) and keeps a copy of the last one. A sink sees each frame as it is
// presented (video export) instead: the window then records time and place
// only (hash 0) and keeps no copy. clear() reaches it as an empty frame.
class HeadlessWindow final : public Window {
  public:
    using FrameSink = std::function<void(const FrameView& frame, int x, int y, Millis time)>;

    HeadlessWindow(Clock& clock, Size clientSize, std::string title);

    Size clientSize() override { return clientSize_; }
    void setTitle(const std::string& title) override;
    void present(const FrameView& frame, int x, int y) override;
    // Recorded as a presented frame of size 0 x 0.
    void clear() override;
    void showCursor(bool visible) override;
    void setKeepAwake(std::uint32_t flags) override;

    void setFrameSink(FrameSink sink);

    // Inspection, from any thread.
    std::vector<PresentedFrame> presentedFrames();
    std::vector<std::uint8_t> lastFramePixels();
    std::string title();
    bool cursorVisible();
    std::vector<std::uint32_t> keepAwakeCalls();

  private:
    Clock& clock_;
    const Size clientSize_;
    std::mutex mutex_;  // guards everything below
    std::string title_;
    std::vector<PresentedFrame> frames_;
    std::vector<std::uint8_t> lastFrame_;
    bool cursorVisible_ = true;
    std::vector<std::uint32_t> keepAwakeCalls_;
    FrameSink sink_;
};

}  // namespace platform
