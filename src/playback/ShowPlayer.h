#pragma once

#include <string>

#include "film/Film.h"
#include "platform/Messages.h"
#include "platform/Platform.h"

namespace playback {

// What a player needs from the viewer besides the film.
struct ShowContext {
    platform::Platform& platform;
    std::string packagePath;  // pictures are read from here by offset
};

// What the application shell asks of the object that plays a film: the
// player window takes the main window's screen, runs the show on its worker
// threads, and is destroyed on Esc.
class ShowPlayer {
  public:
    virtual ~ShowPlayer() = default;

    // Builds everything and starts the show: 1 when it runs, else 0.
    virtual int create(platform::Window& window, const film::Film& film, bool mediaGraphAvailable,
                       int startNumber, int sizeMode) = 0;

    // Stops the show (threads, timer, music, clip) and releases everything.
    virtual void destroyWindow() = 0;

    // Messages meant for the player: keys the shell forwards, mouse input,
    // paints, and the media and music notifications posted to it.
    virtual void handleMessage(const platform::Message& message) = 0;
};

}  // namespace playback
