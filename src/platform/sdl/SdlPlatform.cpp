#include "platform/sdl/SdlPlatform.h"

#include <SDL2/SDL.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "platform/DesktopFileDialog.h"
#include "platform/KeyState.h"
#include "platform/MediaBackend.h"
#include "platform/Trace.h"
#include "platform/WindowHandle.h"
#include "platform/audio/ClockedAudioSink.h"
#include "platform/audio/MixingAudioEngine.h"
#include "platform/audio/SdlAudioOutput.h"
#include "platform/sdl/SdlKeys.h"
#include "platform/sdl/SdlWindow.h"

namespace platform {

class SdlMessageQueue final : public MessageQueue {
  public:
    SdlMessageQueue() {
        // Two private event types: posted messages and wake-ups of the window.
        const Uint32 first = SDL_RegisterEvents(2);
        postedType_ = first;
        wakeType_ = first + 1;
    }

    Uint32 wakeType() const { return wakeType_; }
    std::atomic<SdlWindow*>& currentWindow() { return window_; }

    bool getMessage(Message& message) override {
        while (!quit_) {
            SDL_Event event;
            if (SDL_WaitEvent(&event) == 0) {
                std::fprintf(stderr, "photoreel: event queue failed: %s\n", SDL_GetError());
                quit_ = true;
                break;
            }
            if (translate(event, message)) {
                return true;
            }
        }
        return false;
    }

    bool peekMessage(Message& message) override {
        SDL_Event event;
        while (!quit_ && SDL_PollEvent(&event) != 0) {
            if (translate(event, message)) {
                return true;
            }
        }
        return false;
    }

    void postMessage(const Message& message) override {
        SDL_Event event{};
        event.type = postedType_;
        event.user.code = static_cast<Sint32>(message.id);
        event.user.data1 = reinterpret_cast<void*>(message.wParam);
        event.user.data2 = reinterpret_cast<void*>(message.lParam);
        SDL_PushEvent(&event);
    }

    void postQuit(int exitCode) override {
        exitCode_ = exitCode;
        postMessage({WM_QUIT, static_cast<std::uintptr_t>(exitCode), 0});
    }

    int exitCode() const override { return exitCode_; }

    bool keyPressedSinceLastQuery(int virtualKey) override {
        return keys_.pressedSinceLastQuery(virtualKey);
    }

  private:
    bool translate(const SDL_Event& event, Message& message) {
        SdlWindow* window = window_.load();
        if (event.type == postedType_) {
            message = {static_cast<MessageId>(event.user.code),
                       reinterpret_cast<std::uintptr_t>(event.user.data1),
                       reinterpret_cast<std::intptr_t>(event.user.data2)};
            if (message.id == WM_QUIT) {
                quit_ = true;
                return false;
            }
            return true;
        }
        if (event.type == wakeType_) {
            if (window != nullptr) {
                window->applyPendingChanges();
            }
            return false;
        }
        switch (event.type) {
            case SDL_KEYDOWN: {
                const int key = virtualKeyFromSdl(event.key.keysym);
                if (key == 0) {
                    return false;
                }
                keys_.keyWentDown(key);
                // lParam: repeat count 1, scan code, previous-state bit on auto-repeat.
                message = {WM_KEYDOWN, static_cast<std::uintptr_t>(key),
                           static_cast<std::intptr_t>(1 | (event.key.keysym.scancode & 0xFF) << 16 |
                                                      (event.key.repeat ? 1 << 30 : 0))};
                return true;
            }
            case SDL_MOUSEMOTION:
                message = {WM_MOUSEMOVE, 0, packPoint(event.motion.x, event.motion.y)};
                return true;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP: {
                if (event.button.button != SDL_BUTTON_LEFT) {
                    return false;
                }
                MessageId id = WM_LBUTTONUP;
                if (event.type == SDL_MOUSEBUTTONDOWN) {
                    id = event.button.clicks >= 2 ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN;
                }
                message = {id, 0, packPoint(event.button.x, event.button.y)};
                return true;
            }
            case SDL_WINDOWEVENT:
                switch (event.window.event) {
                    case SDL_WINDOWEVENT_EXPOSED:
                        if (window != nullptr) {
                            window->repaint();
                        }
                        message = {WM_PAINT, 0, 0};
                        return true;
                    case SDL_WINDOWEVENT_SIZE_CHANGED:
                        if (window != nullptr) {
                            window->noteResized();
                        }
                        return false;
                    case SDL_WINDOWEVENT_CLOSE:
                        message = {WM_CLOSE, 0, 0};
                        return true;
                    default:
                        return false;
                }
            case SDL_QUIT:
                message = {WM_CLOSE, 0, 0};
                return true;
            default:
                return false;
        }
    }

    Uint32 postedType_ = 0;
    Uint32 wakeType_ = 0;
    std::atomic<SdlWindow*> window_{nullptr};
    KeyState keys_;
    bool quit_ = false;  // main thread
    std::atomic<int> exitCode_{0};
};

class SdlDialogs final : public Dialogs {
  public:
    int messageBox(const std::string& text, const std::string& caption, unsigned style) override {
        Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
        if ((style & 0xF0) == MB_ICONERROR) {
            flags = SDL_MESSAGEBOX_ERROR;
        } else if ((style & 0xF0) == MB_ICONWARNING) {
            flags = SDL_MESSAGEBOX_WARNING;
        }
        // Without a display the message still reaches the user.
        if (SDL_ShowSimpleMessageBox(flags, caption.c_str(), text.c_str(), nullptr) != 0) {
            std::fprintf(stderr, "photoreel: %s%s%s\n", caption.c_str(),
                         caption.empty() ? "" : ": ", text.c_str());
        }
        return IDOK;
    }

    std::optional<std::string> openFile(const OpenFileRequest& request) override {
        return openFileWithDesktopDialog(request);
    }
};

SdlPlatform::SdlPlatform()
    : settings_(Settings::fromDefaultLocation()), dialogs_(std::make_unique<SdlDialogs>()) {
    SDL_SetMainReady();
    SDL_InitSubSystem(SDL_INIT_EVENTS);
    queue_ = std::make_unique<SdlMessageQueue>();
}

SdlPlatform::~SdlPlatform() {
    audio_.reset();  // before SDL_Quit
    window_.reset();
    queue_.reset();
    SDL_Quit();
}

MessageQueue& SdlPlatform::messages() {
    return *queue_;
}

Dialogs& SdlPlatform::dialogs() {
    return *dialogs_;
}

std::unique_ptr<Window> SdlPlatform::createWindow(const WindowSpec& spec, std::string* error) {
    // X11 window managers and tests find the window by its class.
    setenv("SDL_VIDEO_X11_WMCLASS", spec.className.c_str(), 1);
    SDL_SetHint(SDL_HINT_APP_NAME, spec.className.c_str());
    // The show keeps the screen on itself (setKeepAwake).
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        if (error != nullptr) {
            *error = std::string("cannot open a window (no display?): ") + SDL_GetError();
        }
        return nullptr;
    }
    window_ = SdlWindow::create(spec, queue_->wakeType(), error);
    if (!window_) {
        return nullptr;
    }
    queue_->currentWindow() = window_.get();
    return std::make_unique<WindowHandle>(*window_, [this] {
        queue_->currentWindow() = nullptr;
        window_.reset();
    });
}

bool SdlPlatform::mediaBackendAvailable() {
    return platform::mediaBackendAvailable();
}

AudioEngine& SdlPlatform::audio() {
    std::lock_guard lock(audioMutex_);
    if (!audio_) {
        const auto mute = settings_.get("mute");
        const bool muted = mute && *mute != "0" && *mute != "false";
        audio_ = std::make_unique<MixingAudioEngine>(
            MixingAudioEngine::Options{.mediaGraph = platform::mediaBackendAvailable(),
                                       .soundFont = {}},
            [this, muted](AudioMixer& mixer) -> std::unique_ptr<AudioOutput> {
                if (!muted) {
                    auto card = SdlAudioOutput::open(mixer);
                    if (card) {
                        return std::move(*card);
                    }
                    trace("audio: %s; the show plays silently", card.error().c_str());
                }
                // Without a sound card the music still runs on the clock, so
                // it ends and restarts as it would with one.
                return std::make_unique<ClockedAudioSink>(clock_, mixer);
            });
    }
    return *audio_;
}

}  // namespace platform
