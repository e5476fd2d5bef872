#pragma once

#include <string>

namespace platform {

// Whether the media backend (FFmpeg's demuxers and decoders) can play clips
// and compressed music here: it answers for the viewer's start-up probe.
// PHOTOREEL_NO_MEDIA=1 in the environment makes it answer false, to show a
// film as a machine without the backend would.
bool mediaBackendAvailable();

// One line naming the backend's library versions, for --version.
std::string mediaBackendVersion();

}  // namespace platform
