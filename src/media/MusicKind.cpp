#include "media/MusicKind.h"

#include <cctype>

namespace media {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

MusicKind musicKindFromFileName(std::string_view fileName) {
    const auto dot = fileName.rfind('.');
    if (dot == std::string_view::npos) {
        return MUSIC_KIND_NONE;
    }
    const std::string_view extension = fileName.substr(dot);
    if (equalsIgnoringCase(extension, ".CDA"))
        return MUSIC_KIND_CD_TRACK;
    if (equalsIgnoringCase(extension, ".WAV"))
        return MUSIC_KIND_WAVE;
    if (equalsIgnoringCase(extension, ".MID"))
        return MUSIC_KIND_MIDI;
    if (equalsIgnoringCase(extension, ".MP3"))
        return MUSIC_KIND_MP3;
    return MUSIC_KIND_NONE;
}

}  // namespace media
