#pragma once

#include <SDL2/SDL.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Window.h"

namespace platform {

// The show's window on SDL2. SDL wants its video calls on the thread that
// made the window, so present() from a worker thread only copies the frame
// and wakes the main thread with an event; the main thread uploads it (one
// texture upload per frame) and lets the GPU flip the bottom-up rows.
class SdlWindow final : public Window {
  public:
    // SDL's video subsystem must already be initialised.
    static std::unique_ptr<SdlWindow> create(const WindowSpec& spec, Uint32 wakeEventType,
                                             std::string* error);
    ~SdlWindow() override;

    Size clientSize() override;
    void setTitle(const std::string& title) override;
    void present(const FrameView& frame, int x, int y) override;
    void clear() override;
    void showCursor(bool visible) override;
    void setKeepAwake(std::uint32_t flags) override;

    // Main thread: applies what other threads asked for (a new frame, the
    // cursor, the screen saver) and repaints.
    void applyPendingChanges();
    // Main thread: paints the last frame again (after an expose).
    void repaint();
    void noteResized();

  private:
    SdlWindow(SDL_Window* window, SDL_Renderer* renderer, Uint32 wakeEventType);
    bool onMainThread() const { return std::this_thread::get_id() == mainThread_; }
    void wakeMainThread();

    SDL_Window* window_;
    SDL_Renderer* renderer_;
    SDL_Texture* texture_ = nullptr;  // main thread
    Size textureSize_;                // main thread
    const Uint32 wakeEventType_;
    const std::thread::id mainThread_;
    std::atomic<int> clientWidth_{0};
    std::atomic<int> clientHeight_{0};

    std::mutex pendingMutex_;
    struct PendingFrame {
        std::vector<std::uint8_t> pixels;
        int width = 0, height = 0, x = 0, y = 0;
    };
    PendingFrame pending_;         // guarded by pendingMutex_
    bool framePending_ = false;    // guarded by pendingMutex_
    bool wakePending_ = false;     // guarded by pendingMutex_
    int cursorVisible_ = -1;       // guarded by pendingMutex_; -1: no change asked
    int screenSaverAllowed_ = -1;  // guarded by pendingMutex_; -1: no change asked
    PendingFrame shown_;           // main thread
};

}  // namespace platform
