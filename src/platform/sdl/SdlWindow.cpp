#include "platform/sdl/SdlWindow.h"

#include <cstring>

namespace platform {

namespace {

// The display under the mouse pointer, where the user is looking.
int currentDisplay() {
    int mouseX = 0, mouseY = 0;
    SDL_GetGlobalMouseState(&mouseX, &mouseY);
    const SDL_Point pointer{mouseX, mouseY};
    for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
        SDL_Rect bounds;
        if (SDL_GetDisplayBounds(i, &bounds) == 0 && SDL_PointInRect(&pointer, &bounds)) {
            return i;
        }
    }
    return 0;
}

}  // namespace

std::unique_ptr<SdlWindow> SdlWindow::create(const WindowSpec& spec, Uint32 wakeEventType,
                                             std::string* error) {
    const int display = currentDisplay();
    Uint32 flags = SDL_WINDOW_SHOWN;
    int width = spec.windowedSize.width;
    int height = spec.windowedSize.height;
    if (spec.mode == WindowMode::FullScreen) {
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS;
        SDL_Rect bounds{0, 0, 640, 480};
        SDL_GetDisplayBounds(display, &bounds);
        width = bounds.w;
        height = bounds.h;
    }
    SDL_Window* window =
        SDL_CreateWindow(spec.title.c_str(), SDL_WINDOWPOS_CENTERED_DISPLAY(display),
                         SDL_WINDOWPOS_CENTERED_DISPLAY(display), width, height, flags);
    if (window == nullptr) {
        if (error != nullptr) {
            *error = std::string("cannot create the window: ") + SDL_GetError();
        }
        return nullptr;
    }
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
    if (renderer == nullptr) {
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    }
    if (renderer == nullptr) {
        if (error != nullptr) {
            *error = std::string("cannot draw into the window: ") + SDL_GetError();
        }
        SDL_DestroyWindow(window);
        return nullptr;
    }
    std::unique_ptr<SdlWindow> result(new SdlWindow(window, renderer, wakeEventType));
    result->noteResized();
    result->repaint();
    return result;
}

SdlWindow::SdlWindow(SDL_Window* window, SDL_Renderer* renderer, Uint32 wakeEventType)
    : window_(window),
      renderer_(renderer),
      wakeEventType_(wakeEventType),
      mainThread_(std::this_thread::get_id()) {}

SdlWindow::~SdlWindow() {
    if (texture_ != nullptr) {
        SDL_DestroyTexture(texture_);
    }
    SDL_DestroyRenderer(renderer_);
    SDL_DestroyWindow(window_);
}

Size SdlWindow::clientSize() {
    return {clientWidth_.load(), clientHeight_.load()};
}

void SdlWindow::noteResized() {
    int width = 0, height = 0;
    if (SDL_GetRendererOutputSize(renderer_, &width, &height) != 0) {
        SDL_GetWindowSize(window_, &width, &height);
    }
    clientWidth_ = width;
    clientHeight_ = height;
}

void SdlWindow::setTitle(const std::string& title) {
    if (onMainThread()) {
        SDL_SetWindowTitle(window_, title.c_str());
    }
}

void SdlWindow::present(const FrameView& frame, int x, int y) {
    if (frame.pixels == nullptr || frame.width <= 0 || frame.height <= 0) {
        return;
    }
    {
        std::lock_guard lock(pendingMutex_);
        const std::size_t bytes = static_cast<std::size_t>(frame.width) * frame.height * 4;
        pending_.pixels.resize(bytes);
        std::memcpy(pending_.pixels.data(), frame.pixels, bytes);
        pending_.width = frame.width;
        pending_.height = frame.height;
        pending_.x = x;
        pending_.y = y;
        framePending_ = true;
    }
    if (onMainThread()) {
        applyPendingChanges();
    } else {
        wakeMainThread();
    }
}

void SdlWindow::clear() {
    {
        // An empty frame shows as black.
        std::lock_guard lock(pendingMutex_);
        pending_.width = pending_.height = 0;
        framePending_ = true;
    }
    onMainThread() ? applyPendingChanges() : wakeMainThread();
}

void SdlWindow::showCursor(bool visible) {
    {
        std::lock_guard lock(pendingMutex_);
        cursorVisible_ = visible ? 1 : 0;
    }
    onMainThread() ? applyPendingChanges() : wakeMainThread();
}

void SdlWindow::setKeepAwake(std::uint32_t flags) {
    const bool keepAwake = (flags & ES_CONTINUOUS) != 0 && (flags & ES_DISPLAY_REQUIRED) != 0;
    const bool release = flags == ES_CONTINUOUS;
    if (!keepAwake && !release) {
        return;  // a one-off "still here": nothing to change
    }
    {
        std::lock_guard lock(pendingMutex_);
        screenSaverAllowed_ = keepAwake ? 0 : 1;
    }
    onMainThread() ? applyPendingChanges() : wakeMainThread();
}

void SdlWindow::wakeMainThread() {
    {
        std::lock_guard lock(pendingMutex_);
        if (wakePending_) {
            return;  // one wake-up carries every change made before it is handled
        }
        wakePending_ = true;
    }
    SDL_Event event{};
    event.type = wakeEventType_;
    SDL_PushEvent(&event);
}

void SdlWindow::applyPendingChanges() {
    bool newFrame;
    int cursor, screenSaver;
    {
        std::lock_guard lock(pendingMutex_);
        wakePending_ = false;
        newFrame = framePending_;
        framePending_ = false;
        if (newFrame) {
            std::swap(shown_, pending_);
        }
        cursor = cursorVisible_;
        screenSaver = screenSaverAllowed_;
        cursorVisible_ = screenSaverAllowed_ = -1;
    }
    if (cursor >= 0) {
        SDL_ShowCursor(cursor != 0 ? SDL_ENABLE : SDL_DISABLE);
    }
    if (screenSaver == 1) {
        SDL_EnableScreenSaver();
    } else if (screenSaver == 0) {
        SDL_DisableScreenSaver();
    }
    if (!newFrame) {
        return;
    }
    if (shown_.width == 0 || shown_.height == 0) {
        if (texture_ != nullptr) {
            SDL_DestroyTexture(texture_);
            texture_ = nullptr;
        }
        repaint();
        return;
    }
    if (texture_ == nullptr || textureSize_ != Size{shown_.width, shown_.height}) {
        if (texture_ != nullptr) {
            SDL_DestroyTexture(texture_);
        }
        // XRGB8888 on a little-endian machine is the byte order B, G, R, X.
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                     shown_.width, shown_.height);
        textureSize_ = {shown_.width, shown_.height};
    }
    if (texture_ != nullptr) {
        SDL_UpdateTexture(texture_, nullptr, shown_.pixels.data(), shown_.width * 4);
    }
    repaint();
}

void SdlWindow::repaint() {
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    if (texture_ != nullptr) {
        const SDL_Rect target{shown_.x, shown_.y, shown_.width, shown_.height};
        // Rows arrive bottom-up: the GPU flips them while drawing.
        SDL_RenderCopyEx(renderer_, texture_, nullptr, &target, 0.0, nullptr, SDL_FLIP_VERTICAL);
    }
    SDL_RenderPresent(renderer_);
}

}  // namespace platform
