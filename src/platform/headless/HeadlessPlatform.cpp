#include "platform/headless/HeadlessPlatform.h"

#include <algorithm>
#include <cstdio>

#include "platform/WindowHandle.h"
#include "platform/audio/ClockedAudioSink.h"
#include "platform/audio/MixingAudioEngine.h"

namespace platform {

// Posted messages in arrival order; scripted ones join them when the clock
// reaches their time. Waiting goes through the clock, so the main thread
// counts as idle while it waits for input.
class HeadlessPlatform::Queue final : public MessageQueue {
  public:
    explicit Queue(Clock& clock) : clock_(clock), wake_(clock.createEvent(EventReset::Auto)) {}

    bool getMessage(Message& message) override {
        for (;;) {
            Millis wait = ClockEvent::kWaitForever;
            {
                std::lock_guard lock(mutex_);
                moveDueScriptedMessages();
                if (!posted_.empty()) {
                    message = posted_.front();
                    posted_.pop_front();
                    if (message.id == WM_QUIT) {
                        return false;
                    }
                    if (message.id == WM_KEYDOWN) {
                        keys_.keyWentDown(static_cast<int>(message.wParam));
                    }
                    return true;
                }
                if (!scripted_.empty()) {
                    wait = scripted_.front().at - clock_.nowMs();
                }
            }
            wake_->wait(wait);
        }
    }

    bool peekMessage(Message& message) override {
        std::lock_guard lock(mutex_);
        moveDueScriptedMessages();
        if (posted_.empty() || posted_.front().id == WM_QUIT) {
            return false;
        }
        message = posted_.front();
        posted_.pop_front();
        if (message.id == WM_KEYDOWN) {
            keys_.keyWentDown(static_cast<int>(message.wParam));
        }
        return true;
    }

    void postMessage(const Message& message) override {
        {
            std::lock_guard lock(mutex_);
            posted_.push_back(message);
        }
        wake_->set();
    }

    void postQuit(int exitCode) override {
        exitCode_ = exitCode;
        postMessage({WM_QUIT, static_cast<std::uintptr_t>(exitCode), 0});
    }

    int exitCode() const override { return exitCode_; }

    bool keyPressedSinceLastQuery(int virtualKey) override {
        return keys_.pressedSinceLastQuery(virtualKey);
    }

    void script(Millis at, const Message& message) {
        {
            std::lock_guard lock(mutex_);
            Scripted entry{at, sequence_++, message};
            auto position =
                std::upper_bound(scripted_.begin(), scripted_.end(), entry,
                                 [](const Scripted& a, const Scripted& b) {
                                     return a.at != b.at ? a.at < b.at : a.sequence < b.sequence;
                                 });
            scripted_.insert(position, entry);
        }
        wake_->set();
    }

  private:
    struct Scripted {
        Millis at;
        std::uint64_t sequence;
        Message message;
    };

    void moveDueScriptedMessages() {
        const Millis now = clock_.nowMs();
        while (!scripted_.empty() && static_cast<std::int32_t>(scripted_.front().at - now) <= 0) {
            posted_.push_back(scripted_.front().message);
            scripted_.pop_front();
        }
    }

    Clock& clock_;
    std::unique_ptr<ClockEvent> wake_;
    std::mutex mutex_;
    std::deque<Message> posted_;     // guarded by mutex_
    std::deque<Scripted> scripted_;  // guarded by mutex_, in time order
    std::uint64_t sequence_ = 0;     // guarded by mutex_
    KeyState keys_;
    std::atomic<int> exitCode_{0};
};

class HeadlessPlatform::RecordingDialogs final : public Dialogs {
  public:
    RecordingDialogs(bool echo, std::optional<std::string> openFileAnswer)
        : echo_(echo), openFileAnswer_(std::move(openFileAnswer)) {}

    int messageBox(const std::string& text, const std::string& caption, unsigned style) override {
        if (echo_) {
            std::fprintf(stderr, "photoreel: %s%s%s\n", caption.c_str(),
                         caption.empty() ? "" : ": ", text.c_str());
        }
        std::lock_guard lock(mutex_);
        boxes_.push_back({text, caption, style});
        return IDOK;
    }

    std::optional<std::string> openFile(const OpenFileRequest&) override { return openFileAnswer_; }

    std::vector<RecordedMessageBox> boxes() {
        std::lock_guard lock(mutex_);
        return boxes_;
    }

  private:
    const bool echo_;
    const std::optional<std::string> openFileAnswer_;
    std::mutex mutex_;
    std::vector<RecordedMessageBox> boxes_;  // guarded by mutex_
};

HeadlessPlatform::HeadlessPlatform() : HeadlessPlatform(Options{}) {}

HeadlessPlatform::HeadlessPlatform(Options options)
    : options_(std::move(options)),
      clock_(options_.advance),
      queue_(std::make_unique<Queue>(clock_)),
      dialogs_(
          std::make_unique<RecordingDialogs>(options_.echoMessageBoxes, options_.openFileAnswer)) {}

HeadlessPlatform::~HeadlessPlatform() = default;

AudioEngine& HeadlessPlatform::audio() {
    std::lock_guard lock(audioMutex_);
    if (!audio_) {
        audio_ = std::make_unique<MixingAudioEngine>(
            MixingAudioEngine::Options{.mediaGraph = options_.mediaBackend, .soundFont = {}},
            [this](AudioMixer& mixer) {
                return std::make_unique<ClockedAudioSink>(clock_, mixer, options_.audioCapture);
            });
    }
    return *audio_;
}

MessageQueue& HeadlessPlatform::messages() {
    return *queue_;
}

Dialogs& HeadlessPlatform::dialogs() {
    return *dialogs_;
}

std::unique_ptr<Window> HeadlessPlatform::createWindow(const WindowSpec& spec, std::string* error) {
    if (options_.windowCreationFails) {
        if (error != nullptr) {
            *error = "cannot open a window (no display?)";
        }
        return nullptr;
    }
    std::lock_guard lock(windowMutex_);
    windows_.push_back(std::make_unique<HeadlessWindow>(clock_, options_.clientSize, spec.title));
    if (options_.frameSink) {
        windows_.back()->setFrameSink(options_.frameSink);
    }
    windowClass_ = spec.className;
    return std::make_unique<WindowHandle>(*windows_.back(), nullptr);
}

void HeadlessPlatform::scriptMessage(Millis at, const Message& message) {
    queue_->script(at, message);
}

void HeadlessPlatform::scriptKey(Millis at, int virtualKey) {
    scriptMessage(at, {WM_KEYDOWN, static_cast<std::uintptr_t>(virtualKey), 1});
}

HeadlessWindow* HeadlessPlatform::window() {
    std::lock_guard lock(windowMutex_);
    return windows_.empty() ? nullptr : windows_.back().get();
}

std::vector<RecordedMessageBox> HeadlessPlatform::messageBoxes() {
    return dialogs_->boxes();
}

std::string HeadlessPlatform::lastWindowClass() {
    std::lock_guard lock(windowMutex_);
    return windowClass_;
}

}  // namespace platform
