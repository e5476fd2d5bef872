#pragma once

#include <memory>
#include <string>

#include "platform/AudioEngine.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/MessageQueue.h"
#include "platform/Settings.h"
#include "platform/Window.h"

namespace platform {

// Everything the show needs from the machine, in one place. Two kinds exist:
// SdlPlatform (a real screen, keyboard and mouse) and HeadlessPlatform
// (offscreen frames, a virtual clock and scripted input, for tests and for
// export). The rest of the program sees only this interface.
class Platform {
  public:
    virtual ~Platform() = default;

    virtual Clock& clock() = 0;
    virtual MessageQueue& messages() = 0;
    virtual Dialogs& dialogs() = 0;
    virtual const Settings& settings() = 0;

    // Creates the show's window on the main thread; nullptr with a one-line
    // reason in *error when that is impossible (for example no display).
    virtual std::unique_ptr<Window> createWindow(const WindowSpec& spec, std::string* error) = 0;

    // Whether clips and compressed music can be played here.
    virtual bool mediaBackendAvailable() = 0;

    // The music engine, made on first use; any thread.
    virtual AudioEngine& audio() = 0;
};

}  // namespace platform
