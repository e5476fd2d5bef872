#pragma once

#include <functional>

namespace platform {

// SIGINT, SIGTERM and SIGHUP end the show as Esc would. install() blocks the
// signals in the calling thread (call it before any other thread starts, so
// every thread inherits the mask) and starts a thread that waits for them.
// On a signal that thread calls the handler, which should ask the main loop
// to tear down. When no handler is set, or the process has not ended within
// the grace period, or a second signal arrives, it removes every live
// temporary directory and exits with 128 + signal number.
class TerminationSignals {
  public:
    using Handler = std::function<void(int signalNumber)>;

    static void install(int gracePeriodMs = 2000);
    // Replaces the handler; an empty handler means "clean up and exit now".
    static void setHandler(Handler handler);
};

}  // namespace platform
