#pragma once

#include <memory>
#include <mutex>

#include "platform/Platform.h"
#include "platform/SystemClock.h"

namespace platform {

class SdlMessageQueue;
class SdlDialogs;
class SdlWindow;
class MixingAudioEngine;

// The platform on a real desktop, through SDL2: one window, its input, and
// message boxes. Needs a display only once a window or box is shown.
class SdlPlatform final : public Platform {
  public:
    SdlPlatform();
    ~SdlPlatform() override;

    Clock& clock() override { return clock_; }
    MessageQueue& messages() override;
    Dialogs& dialogs() override;
    const Settings& settings() override { return settings_; }
    std::unique_ptr<Window> createWindow(const WindowSpec& spec, std::string* error) override;
    bool mediaBackendAvailable() override;
    AudioEngine& audio() override;

  private:
    SystemClock clock_;
    Settings settings_;
    std::unique_ptr<SdlMessageQueue> queue_;
    std::unique_ptr<SdlDialogs> dialogs_;
    std::unique_ptr<SdlWindow> window_;  // main thread; the show holds a handle to it
    std::mutex audioMutex_;
    std::unique_ptr<MixingAudioEngine> audio_;  // guarded by audioMutex_ while made
};

}  // namespace platform
