#include <gtest/gtest.h>

#include "media/MusicKind.h"

namespace media {
namespace {

TEST(MusicKind, ComesFromTheLastExtensionIgnoringCase) {
    const std::pair<const char*, MusicKind> cases[] = {
        {"TMP1A2.WAV", MUSIC_KIND_WAVE},
        {"song.mid", MUSIC_KIND_MIDI},
        {"track.Mp3", MUSIC_KIND_MP3},
        {"Track02.cda", MUSIC_KIND_CD_TRACK},
        {"archive.mp3.ogg", MUSIC_KIND_NONE},
        {"music.wav.mp3", MUSIC_KIND_MP3},
        {"noextension", MUSIC_KIND_NONE},
        {"", MUSIC_KIND_NONE},
        {"dot.", MUSIC_KIND_NONE},
        {"clip.wma", MUSIC_KIND_NONE},
    };
    for (const auto& [name, kind] : cases) {
        EXPECT_EQ(musicKindFromFileName(name), kind) << name;
    }
}

}  // namespace
}  // namespace media
