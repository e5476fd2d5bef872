#pragma once

#include <functional>

#include "platform/Clock.h"
#include "platform/Messages.h"

namespace media {

// What a music player needs from the window it plays for: a place to post
// its restart message, and window timers for its poll.
class MusicHost {
  public:
    using TimerProcedure = std::function<void(int timerId)>;

    virtual ~MusicHost() = default;

    // Posts to the window's thread. Any thread.
    virtual void postMessage(const platform::Message& message) = 0;

    // Calls procedure(timerId) every periodMs until killTimer(timerId);
    // setting a running identifier again replaces it.
    virtual void setTimer(int timerId, platform::Millis periodMs, TimerProcedure procedure) = 0;
    // Once it returns, the procedure is not running and will not run again;
    // called from inside the procedure it only asks the timer to end.
    virtual void killTimer(int timerId) = 0;
};

}  // namespace media
