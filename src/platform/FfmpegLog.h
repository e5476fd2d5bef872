#pragma once

namespace platform {

// FFmpeg's remarks about odd files and its encoders' statistics would land
// on the show's terminal (and break the export's progress line); our own
// errors say what went wrong. PHOTOREEL_TRACE keeps them for debugging.
// Called before any FFmpeg work; the setting is made once per process.
void quietenFfmpegLog();

}  // namespace platform
