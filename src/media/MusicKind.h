#pragma once

#include <string_view>

namespace media {

// What a music player is playing; bit 16 marks playback through the media
// graph rather than the simple audio devices.
enum MusicKind : int {
    MUSIC_KIND_NONE = 0,
    MUSIC_KIND_WAVE = 2,
    MUSIC_KIND_MIDI = 4,
    MUSIC_KIND_CD_TRACK = 17,
    MUSIC_KIND_GRAPH_WAVE = 18,
    MUSIC_KIND_GRAPH_MIDI = 20,
    MUSIC_KIND_MP3 = 24,
};

inline constexpr int MUSIC_KIND_GRAPH_BIT = 16;

// The kind a file name asks for, from the extension after its last '.'
// compared without regard to case: ".CDA", ".WAV", ".MID" or ".MP3". Any
// other extension, or none, gives MUSIC_KIND_NONE.
MusicKind musicKindFromFileName(std::string_view fileName);

}  // namespace media
