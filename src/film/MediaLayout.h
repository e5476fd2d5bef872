#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "film/Film.h"

namespace film {

// Where one embedded file lies in a package's media area. size 0: nothing
// is embedded for that reference.
struct EmbeddedPart {
    std::int64_t offset = 0;
    std::int64_t size = 0;
    bool present() const { return size != 0; }
};

// The embedded files of one stored item, in package order.
struct ItemMedia {
    int storedNumber = 0;  // position in the film document, from 1
    EmbeddedPart firstFrameStill;
    EmbeddedPart main;  // picture, clip or presentation, by type
    EmbeddedPart overlay;
    EmbeddedPart lastFrameStill;
    EmbeddedPart music;  // absent for audio-CD tracks
};

struct MediaLayout {
    EmbeddedPart filmMusic;  // absent for audio-CD tracks
    std::vector<ItemMedia> items;
    std::int64_t end = 0;  // just past the last embedded byte
};

// The size part of a stored name: the decimal number at the start of its
// base name (0 when there is none). Saturates instead of overflowing.
std::int64_t storedSize(const FileRef& ref);

// True for an audio-CD track name (".cda", any case).
bool isCdTrackName(const std::string& name);

// Lays out the media area of a film as it is stored in a package (its file
// names still carry the sizes), starting at mediaStart: film music, then per
// item its first-frame still, main file, overlay, last-frame still and music.
// Offsets saturate rather than overflow; a consumer checks them against the
// package size.
MediaLayout layOutMedia(const Film& stored, std::int64_t mediaStart);

}  // namespace film
