#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

// A frame as the show composes it: 32-bit pixels (bytes blue, green, red,
// unused), rows stored bottom-up, stride width * 4 without padding.
struct FrameView {
    const std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
};

enum class WindowMode { FullScreen, Windowed };

struct WindowSpec {
    std::string className;  // X11 WM_CLASS, for window managers and tests
    std::string title;
    WindowMode mode = WindowMode::FullScreen;
    Size windowedSize{800, 600};  // used in WindowMode::Windowed
};

// Keep-awake flags, as the show passes them (thread execution state).
inline constexpr std::uint32_t ES_SYSTEM_REQUIRED = 0x00000001;
inline constexpr std::uint32_t ES_DISPLAY_REQUIRED = 0x00000002;
inline constexpr std::uint32_t ES_CONTINUOUS = 0x80000000;

// The show's one window: black until a frame is presented. The window is
// created and destroyed on the main thread; present() may be called from any
// thread.
class Window {
  public:
    virtual ~Window() = default;

    virtual Size clientSize() = 0;
    virtual void setTitle(const std::string& title) = 0;

    // Shows the frame with its top-left corner at (x, y) of the client area,
    // the rest black. The window keeps the last frame and paints it again
    // when it is uncovered.
    virtual void present(const FrameView& frame, int x, int y) = 0;
    // Shows nothing but black again.
    virtual void clear() = 0;

    virtual void showCursor(bool visible) = 0;

    // ES_CONTINUOUS | ES_DISPLAY_REQUIRED keeps the screen on and the screen
    // saver away until ES_CONTINUOUS alone is passed.
    virtual void setKeepAwake(std::uint32_t flags) = 0;
};

}  // namespace platform
