#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "film/FileRef.h"
#include "film/TextStyle.h"

namespace film {

// Item types.
inline constexpr std::int32_t ITEM_PHOTO = 1000;
inline constexpr std::int32_t ITEM_CLIP = 1001;
inline constexpr std::int32_t ITEM_SHOW = 1003;

// Music cues of an item; 3 and 4 also start the item's music file, other
// values leave the music alone.
inline constexpr std::int32_t MUSIC_KEEP = 0;
inline constexpr std::int32_t MUSIC_STOP = 1;
inline constexpr std::int32_t MUSIC_CD_TRACK = 2;

// One text of an item's title.
struct TextTitle {
    std::int32_t number = 0;     // 1 for the first text of the title, then +1
    std::int32_t animation = 0;  // index into the title animation table; may be negative
    std::string text;            // 8-bit text; "\r\n" starts a new line
    TextStyle style;

    bool operator==(const TextTitle&) const = default;
};

struct SourceRect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;

    // An empty rectangle stands for the whole picture.
    bool empty() const { return right == left || bottom == top; }
    bool operator==(const SourceRect&) const = default;
};

// One film item. A plain value: copies are deep (the title comes along), so
// a copy handed out by the Film never shares anything with it.
struct FilmItem {
    FileRef picture;          // ITEM_PHOTO
    FileRef overlay;          // ITEM_PHOTO: the darkening mask
    FileRef clip;             // ITEM_CLIP
    FileRef firstFrameStill;  // ITEM_CLIP
    FileRef spareA;           // never filled by the viewer
    FileRef lastFrameStill;   // ITEM_CLIP
    FileRef spareB;           // never filled by the viewer
    FileRef show;             // ITEM_SHOW: the presentation file
    FileRef music;            // the file of the item's music cue
    std::int32_t spare = 0;   // not stored in documents; copied along
    std::int32_t storedWidth = 0;
    std::int32_t storedHeight = 0;
    std::int32_t duration = 0;        // seconds after the transition
    std::int32_t effect = 0;          // picture transition index; may be negative
    std::int32_t transitionTime = 0;  // milliseconds; 0 is a cut
    std::int32_t number = -1;         // 1-based position, assigned by the Film
    std::int32_t type = ITEM_PHOTO;
    std::int32_t musicCue = MUSIC_KEEP;
    SourceRect source;
    std::vector<TextTitle> title;

    bool operator==(const FilmItem&) const = default;
};

}  // namespace film
