#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/KeyState.h"
#include "platform/Platform.h"
#include "platform/VirtualClock.h"
#include "platform/audio/AudioOutput.h"
#include "platform/headless/HeadlessWindow.h"

namespace platform {

// A message box the show raised, as the headless platform recorded it.
struct RecordedMessageBox {
    std::string text;
    std::string caption;
    unsigned style = 0;
};

// The platform without a screen: a virtual clock, an offscreen window,
// scripted input delivered at given clock times, and message boxes recorded
// instead of shown. Tests and video export run the real show on it.
class MixingAudioEngine;

class HeadlessPlatform final : public Platform {
  public:
    struct Options {
        Size clientSize{1280, 1024};
        VirtualClock::Advance advance = VirtualClock::Advance::WhenIdle;
        bool windowCreationFails = false;  // as on a machine without a display
        bool mediaBackend = true;
        bool echoMessageBoxes = false;              // also print boxes on stderr
        std::optional<std::string> openFileAnswer;  // the file dialog's answer
        Settings settings;
        PcmConsumer audioCapture;             // receives the mixed music (export); may be empty
        HeadlessWindow::FrameSink frameSink;  // given to every window made (export)
    };

    HeadlessPlatform();
    explicit HeadlessPlatform(Options options);
    ~HeadlessPlatform() override;

    Clock& clock() override { return clock_; }
    MessageQueue& messages() override;
    Dialogs& dialogs() override;
    const Settings& settings() override { return options_.settings; }
    std::unique_ptr<Window> createWindow(const WindowSpec& spec, std::string* error) override;
    bool mediaBackendAvailable() override { return options_.mediaBackend; }
    AudioEngine& audio() override;

    VirtualClock& virtualClock() { return clock_; }

    // Delivers the message to the main thread when the clock reaches at.
    void scriptMessage(Millis at, const Message& message);
    void scriptKey(Millis at, int virtualKey);

    // Inspection. window() is the last window created (null before); it
    // outlives the show's handle to it.
    HeadlessWindow* window();
    std::vector<RecordedMessageBox> messageBoxes();
    std::string lastWindowClass();

  private:
    class Queue;
    class RecordingDialogs;

    Options options_;
    VirtualClock clock_;
    std::unique_ptr<Queue> queue_;
    std::unique_ptr<RecordingDialogs> dialogs_;
    std::mutex windowMutex_;
    // Every window made, kept after the show lets go so tests can inspect it.
    std::vector<std::unique_ptr<HeadlessWindow>> windows_;  // guarded by windowMutex_
    std::string windowClass_;                               // guarded by windowMutex_
    std::mutex audioMutex_;
    std::unique_ptr<MixingAudioEngine> audio_;  // guarded by audioMutex_ while made
};

}  // namespace platform
