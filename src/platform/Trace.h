#pragma once

#include <functional>
#include <string_view>

namespace platform {

// The diagnostic trace hook. Silent by default; PHOTOREEL_TRACE=1 in the
// environment sends each line to standard error. Tests may install a sink to
// collect the lines.
void trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

using TraceSink = std::function<void(std::string_view line)>;
// Installs a sink (an empty one restores the default) and returns the old one.
TraceSink setTraceSink(TraceSink sink);

}  // namespace platform
