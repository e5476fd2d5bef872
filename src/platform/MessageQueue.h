#pragma once

#include "platform/Messages.h"

namespace platform {

// The main thread's message queue: input from the window, and messages posted
// by other threads (media notifications, music restarts, the end of a show).
class MessageQueue {
  public:
    virtual ~MessageQueue() = default;

    // Blocks until a message is there. Returns false once the quit message
    // has been taken; exitCode() then holds its code. Main thread only.
    virtual bool getMessage(Message& message) = 0;

    // Takes a message if one is waiting, without blocking; never takes the
    // quit message (getMessage then returns false). Main thread only.
    virtual bool peekMessage(Message& message) = 0;

    // Any thread.
    virtual void postMessage(const Message& message) = 0;
    virtual void postQuit(int exitCode) = 0;
    virtual int exitCode() const = 0;

    // True when the key went down since the previous query for it (bit 0 of
    // the asynchronous key state). Any thread.
    virtual bool keyPressedSinceLastQuery(int virtualKey) = 0;
};

}  // namespace platform
