#include "film/MediaLayout.h"

#include <cctype>
#include <climits>

namespace film {

namespace {

std::string baseName(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::int64_t storedSize(const FileRef& ref) {
    std::int64_t size = 0;
    for (char c : baseName(ref.fileName)) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            break;
        }
        const int digit = c - '0';
        if (size > (INT64_MAX - digit) / 10) {
            return INT64_MAX;  // no package is that large: reading it fails cleanly
        }
        size = size * 10 + digit;
    }
    return size;
}

bool isCdTrackName(const std::string& name) {
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || name.size() - dot != 4) {
        return false;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        if (std::tolower(static_cast<unsigned char>(name[dot + 1 + i])) != "cda"[i]) {
            return false;
        }
    }
    return true;
}

MediaLayout layOutMedia(const Film& stored, std::int64_t mediaStart) {
    MediaLayout layout;
    std::int64_t offset = mediaStart;
    auto take = [&offset](std::int64_t size) {
        EmbeddedPart part{offset, size};
        offset = size > INT64_MAX - offset ? INT64_MAX : offset + size;
        return part;
    };
    const std::string musicName = baseName(stored.musicPath());
    if (!isCdTrackName(musicName)) {
        layout.filmMusic = take(storedSize(FileRef{"", musicName}));
    }
    for (int number = 1; number <= stored.itemCount(); ++number) {
        const FilmItem item = stored.getItem(number);
        ItemMedia media;
        media.storedNumber = number;
        media.firstFrameStill = take(storedSize(item.firstFrameStill));
        switch (item.type) {
            case ITEM_PHOTO:
                media.main = take(storedSize(item.picture));
                break;
            case ITEM_CLIP:
                media.main = take(storedSize(item.clip));
                break;
            case ITEM_SHOW:
                media.main = take(storedSize(item.show));
                break;
            default:
                media.main = EmbeddedPart{offset, 0};
                break;
        }
        media.overlay = take(storedSize(item.overlay));
        media.lastFrameStill = take(storedSize(item.lastFrameStill));
        if (item.musicCue != MUSIC_CD_TRACK) {
            media.music = take(storedSize(item.music));
        }
        layout.items.push_back(media);
    }
    layout.end = offset;
    return layout;
}

}  // namespace film
