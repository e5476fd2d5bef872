#pragma once

#include <functional>

#include "platform/Window.h"

namespace platform {

// What createWindow() hands out: it forwards to a window that the platform
// keeps (the platform routes input and repaints to it, and a headless
// platform keeps its records after the show ends) and tells the platform
// when the show lets go of it.
class WindowHandle final : public Window {
  public:
    WindowHandle(Window& window, std::function<void()> onRelease)
        : window_(window), onRelease_(std::move(onRelease)) {}
    ~WindowHandle() override {
        if (onRelease_) {
            onRelease_();
        }
    }
    WindowHandle(const WindowHandle&) = delete;
    WindowHandle& operator=(const WindowHandle&) = delete;

    Size clientSize() override { return window_.clientSize(); }
    void setTitle(const std::string& title) override { window_.setTitle(title); }
    void present(const FrameView& frame, int x, int y) override { window_.present(frame, x, y); }
    void clear() override { window_.clear(); }
    void showCursor(bool visible) override { window_.showCursor(visible); }
    void setKeepAwake(std::uint32_t flags) override { window_.setKeepAwake(flags); }

  private:
    Window& window_;
    std::function<void()> onRelease_;
};

}  // namespace platform
