#include "platform/Trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform {

namespace {

std::mutex gTraceMutex;
TraceSink gSink;  // guarded by gTraceMutex

bool traceToStderr() {
    static const bool enabled = [] {
        const char* value = std::getenv("PHOTOREEL_TRACE");
        return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
    }();
    return enabled;
}

}  // namespace

void trace(const char* format, ...) {
    std::lock_guard lock(gTraceMutex);
    if (!gSink && !traceToStderr()) {
        return;
    }
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (gSink) {
        gSink(line);
    } else {
        std::fprintf(stderr, "%s\n", line);
    }
}

TraceSink setTraceSink(TraceSink sink) {
    std::lock_guard lock(gTraceMutex);
    TraceSink previous = std::move(gSink);
    gSink = std::move(sink);
    return previous;
}

}  // namespace platform
