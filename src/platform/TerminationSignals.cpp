#include "platform/TerminationSignals.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "platform/Clock.h"
#include "platform/TempFiles.h"

namespace platform {

namespace {

std::mutex gHandlerMutex;
TerminationSignals::Handler gHandler;  // guarded by gHandlerMutex

sigset_t terminationSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

[[noreturn]] void cleanUpAndExit(int signalNumber) {
    removeLiveTempDirectoriesForExit();
    _exit(128 + signalNumber);
}

void watch(int gracePeriodMs) {
    nameCurrentThread("signals");
    sigset_t set = terminationSet();
    int signalNumber = 0;
    if (sigwait(&set, &signalNumber) != 0) {
        return;
    }
    TerminationSignals::Handler handler;
    {
        std::lock_guard lock(gHandlerMutex);
        handler = gHandler;
    }
    if (!handler) {
        cleanUpAndExit(signalNumber);
    }
    handler(signalNumber);

    // The main loop should now end the process. If it does not in time, or
    // the user insists with a second signal, leave anyway, cleaning up.
    timespec timeout{gracePeriodMs / 1000, (gracePeriodMs % 1000) * 1'000'000L};
    siginfo_t info;
    sigtimedwait(&set, &info, &timeout);
    cleanUpAndExit(signalNumber);
}

}  // namespace

void TerminationSignals::install(int gracePeriodMs) {
    static std::once_flag once;
    std::call_once(once, [gracePeriodMs] {
        sigset_t set = terminationSet();
        pthread_sigmask(SIG_BLOCK, &set, nullptr);
        std::thread(watch, gracePeriodMs).detach();
    });
}

void TerminationSignals::setHandler(Handler handler) {
    std::lock_guard lock(gHandlerMutex);
    gHandler = std::move(handler);
}

}  // namespace platform
